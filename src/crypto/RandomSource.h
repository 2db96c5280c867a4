#pragma once

#include <QByteArray>
#include <QRandomGenerator64>
#include <QUuid>

namespace tessarovin
{

// The process's one source of random bytes, identifiers and numbers, always drawn from the
// operating system's secure generator. Stateless, so any thread may use it.
class RandomSource final
{
	private:
		RandomSource() = default;
		~RandomSource() = default;
		Q_DISABLE_COPY_MOVE(RandomSource)

	public:
		static RandomSource& getInstance();

		// The operating system's generator for true, Qt's seeded one for false.
		[[nodiscard]] QRandomGenerator64& getGenerator(bool pSecure = true) const;

		[[nodiscard]] QByteArray createBytes(int pCount) const;
		// Sixteen random bytes as they come: version and variant bits are not fixed.
		[[nodiscard]] QUuid createUuid() const;
};

} // namespace tessarovin
