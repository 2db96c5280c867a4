#pragma once

#include <QDebug>
#include <QLoggingCategory>
#include <QMessageLogger>

#include <functional>

namespace tessarovin
{

// Logs on behalf of a caller, so that the lines name the caller's location and category.
class CategoryMessageLogger
{
	public:
		using CategoryFunction = std::function<const QLoggingCategory& ()>;

	private:
		QMessageLogger mLogger;
		CategoryFunction mCategory;

	public:
		CategoryMessageLogger(const char* pFile, int pLine, const char* pFunction, CategoryFunction pCategory);

		[[nodiscard]] QDebug debug() const;
		[[nodiscard]] QDebug info() const;
		[[nodiscard]] QDebug critical() const;
};

} // namespace tessarovin
