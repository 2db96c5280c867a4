#include "states/StateBuilder.h"

using namespace tessarovin;

QString tessarovin::stripNamespace(const char* pClassName)
{
	QString name = QString::fromLatin1(pClassName);
	const auto separator = name.lastIndexOf(QLatin1Char(':'));
	if (separator >= 0)
	{
		name.remove(0, separator + 1);
	}
	return name;
}
