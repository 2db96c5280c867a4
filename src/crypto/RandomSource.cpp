#include "RandomSource.h"

using namespace tessarovin;


RandomSource& RandomSource::getInstance()
{
	static RandomSource instance;
	return instance;
}


QRandomGenerator64& RandomSource::getGenerator(bool pSecure) const
{
	return pSecure ? *QRandomGenerator64::system() : *QRandomGenerator64::global();
}


QByteArray RandomSource::createBytes(int pCount) const
{
	QByteArray bytes;
	if (pCount <= 0)
	{
		return bytes;
	}

	auto& generator = static_cast<QRandomGenerator&>(getGenerator());
	bytes.reserve(pCount + 3);
	while (bytes.size() < pCount)
	{
		const quint32 word = generator.generate();
		bytes += static_cast<char>(word >> 24);
		bytes += static_cast<char>(word >> 16);
		bytes += static_cast<char>(word >> 8);
		bytes += static_cast<char>(word);
	}
	bytes.truncate(pCount);
	return bytes;
}


QUuid RandomSource::createUuid() const
{
	return QUuid::fromRfc4122(createBytes(16));
}
