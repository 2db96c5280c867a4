#pragma once

#include <QObject>
#include <QSettings>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

// Base of the persistent settings wrappers. Each wrapper owns its own store and reads every value
// from it on each call, so that two wrappers never disagree about a value.
class AbstractSettings
	: public QObject
{
	Q_OBJECT

	protected:
		AbstractSettings();

	public:
		// The store's names are fixed: they must not follow the application object's names, or a
		// renamed program would lose its settings.
		static const QString cOrganization;
		static const QString cApplication;

		// With an empty file name the store of the organisation and application in the given scope,
		// else the file in the given format.
		static QSharedPointer<QSettings> getStore(QSettings::Scope pScope = QSettings::UserScope,
				const QString& pFileName = QString(),
				QSettings::Format pFormat = QSettings::InvalidFormat);

	Q_SIGNALS:
		void fireSettingsChanged();
};

} // namespace tessarovin
