// The records of paired devices: JSON text in the user's settings file, which anyone with access
// to the file may have changed.

#include "RemoteServiceSettings.h"

#include "FuzzEnvironment.h"

#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>

using namespace tessarovin;


namespace
{

// The settings of the user and the system scope in a folder of the run's own.
QSharedPointer<RemoteServiceSettings> createSettings(const QTemporaryDir& pDir)
{
	if (!pDir.isValid())
	{
		abort();
	}
	QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, pDir.filePath(QStringLiteral("user")));
	QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, pDir.filePath(QStringLiteral("system")));
	return QSharedPointer<RemoteServiceSettings>::create();
}


struct SettingsFixture
{
	QTemporaryDir mDir;
	QSharedPointer<RemoteServiceSettings> mSettings;
	QSettings mStore;

	SettingsFixture()
		: mDir()
		, mSettings(createSettings(mDir))
		, mStore(QSettings::UserScope, AbstractSettings::cOrganization, AbstractSettings::cApplication)
	{
	}
};


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	static SettingsFixture fixture;
	auto& settings = *fixture.mSettings;

	// A deep copy: the store keeps the value beyond this call.
	fixture.mStore.setValue(QStringLiteral("remotereader/trustedRemoteInfo"), QByteArray(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(pSize)));

	const auto infos = settings.getRemoteInfos();
	for (const auto& info : infos)
	{
		(void) info.getNameEscaped();
		(void) info.getLastConnected().isValid();
		(void) settings.getRemoteInfo(info.getFingerprint());
	}

	// Changing a record writes every record anew; none may change or get lost on the way.
	if (!infos.isEmpty() && !infos.first().getFingerprint().isEmpty())
	{
		if (!settings.updateRemoteInfo(infos.first()) || settings.getRemoteInfos() != infos)
		{
			abort();
		}
	}
	return 0;
}
