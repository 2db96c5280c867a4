#include "AbstractSettings.h"

using namespace tessarovin;

const QString AbstractSettings::cOrganization = QStringLiteral("Tessarovin");
const QString AbstractSettings::cApplication = QStringLiteral("Kendrawell2");


AbstractSettings::AbstractSettings()
	: QObject()
{
}


QSharedPointer<QSettings> AbstractSettings::getStore(QSettings::Scope pScope, const QString& pFileName, QSettings::Format pFormat)
{
	if (pFileName.isEmpty())
	{
		return QSharedPointer<QSettings>::create(pScope, cOrganization, cApplication);
	}
	return QSharedPointer<QSettings>::create(pFileName, pFormat);
}
