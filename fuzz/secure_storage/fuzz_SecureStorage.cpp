// The security configuration: a "config.json" beside the program wins over the shipped one, so
// its text is whatever the user put there.

#include "SecureStorage.h"

#include "FuzzEnvironment.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdlib>

using namespace tessarovin;


class fuzz_SecureStorage
{
	public:
		static void run(const QByteArray& pConfig)
		{
			QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"));
			if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(pConfig) != pConfig.size())
			{
				abort();
			}
			file.close();

			const SecureStorage storage;
			(void) storage.isValid();
			(void) storage.getCVRootCertificates(true);
			(void) storage.getCVRootCertificates(false);
			(void) storage.getUpdateCertificates();
			for (int selector = -1; selector <= SecureStorage::UPDATES_BETA + 1; ++selector)
			{
				(void) storage.getUrl(selector);
			}
			(void) storage.getUpdateUrl();
			for (const auto suite : {SecureStorage::TlsSuite::DEFAULT, SecureStorage::TlsSuite::PSK})
			{
				(void) storage.getTlsConfig(suite).getCiphers();
				(void) storage.getTlsConfigRemoteIfd(suite).getCiphers();
			}
			(void) storage.getTlsConfigLocalIfd().getConfiguration();
			for (const auto algorithm : {QSsl::Rsa, QSsl::Dsa, QSsl::Ec, QSsl::Dh, QSsl::Opaque})
			{
				(void) storage.getMinimumKeySize(algorithm);
				(void) storage.getMinimumIfdKeySize(algorithm);
			}
			(void) storage.getIfdCreateSize();
			(void) storage.getLocalIfdPackageName();
			(void) storage.getLocalIfdMinVersion();
			(void) storage.getLocalIfdAllowedCertificateHashes();
			(void) storage.getLocalIfdMinPskSize();
		}
};


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	fuzz_SecureStorage::run(FuzzEnvironment::bytes(pData, pSize));
	return 0;
}
