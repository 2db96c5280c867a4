#include "AppUpdateData.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

using namespace tessarovin;

namespace
{

// JSON written with single quotes, which read more easily in C++ strings than escaped ones;
// "PLATFORM" stands for this build's platform name.
QByteArray versionInfo(const char* pJson)
{
	return QByteArray(pJson).replace('\'', '"').replace("PLATFORM", AppUpdateData::getPlatformName().toUtf8());
}


// What a checksum tool of coreutils prints for the file.
QByteArray toolOutput(const QString& pTool, const QStringList& pArguments, const QString& pDirectory)
{
	QProcess process;
	process.setWorkingDirectory(pDirectory);
	process.start(pTool, pArguments);
	if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
	{
		qFatal("%s failed", qPrintable(pTool));
	}
	return process.readAllStandardOutput();
}


} // namespace


class test_AppUpdateData
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		QString mPackage;

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			mPackage = mDir.filePath(QStringLiteral("Kendrawell-2.7.0.tar.gz"));
			QFile file(mPackage);
			QByteArray data;
			for (int i = 0; i < 100000; ++i)
			{
				data += static_cast<char>((i * 7919) % 251);
			}
			QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());

			QFile other(mDir.filePath(QStringLiteral("other.bin")));
			QVERIFY(other.open(QIODevice::WriteOnly) && other.write("other") == 5);
		}


		void platformName()
		{
			QVERIFY(AppUpdateData::getPlatformName().startsWith(QStringLiteral("linux-")));
			QCOMPARE(AppUpdateData::getPlatformName(), AppUpdateData::getPlatformName().toLower());
		}


		void parse_data()
		{
			QTest::addColumn<QByteArray>("json");
			QTest::addColumn<GlobalStatus::Code>("result");
			QTest::addColumn<bool>("valid");
			QTest::addColumn<QString>("version");
			QTest::addColumn<int>("size");
			QTest::addColumn<QString>("message");

			using Code = GlobalStatus::Code;
			const char* const item = "'url': 'https://updates.example/Kendrawell-2.7.0.tar.gz', 'checksum': 'https://updates.example/Kendrawell-2.7.0.tar.gz.sha256'";
			const auto with = [item](const char* pBefore, const char* pAfter = "") {
						return versionInfo(QByteArray(pBefore).append(item).append(pAfter).constData());
					};

			QTest::newRow("match") << with("{'items': [{'platform': 'PLATFORM', 'version': '2.7.0', 'size': 1234, ", "}]}") << Code::No_Error << true << "2.7.0" << 1234 << "Found platform:";
			QTest::newRow("first match wins") << with("{'items': [{'platform': 'win-arm64', 'version': '9.0.0'}, {'platform': 'PLATFORM', 'version': '2.7.0', ", "}, {'platform': 'PLATFORM', 'version': '2.8.0'}]}") << Code::No_Error << true << "2.7.0" << -1 << "Unused platform:";
			QTest::newRow("size -5") << with("{'items': [{'platform': 'PLATFORM', 'version': '2.7.0', 'size': -5, ", "}]}") << Code::No_Error << true << "2.7.0" << -1 << QString();
			QTest::newRow("size as text") << with("{'items': [{'platform': 'PLATFORM', 'version': '2.7.0', 'size': '12', ", "}]}") << Code::No_Error << true << "2.7.0" << -1 << QString();
			QTest::newRow("no version") << with("{'items': [{'platform': 'PLATFORM', ", "}]}") << Code::No_Error << false << "" << -1 << QString();
			QTest::newRow("no checksum") << versionInfo("{'items': [{'platform': 'PLATFORM', 'version': '2.7.0', 'url': 'https://updates.example/Kendrawell.tar.gz'}]}") << Code::No_Error << false << "2.7.0" << -1 << QString();
			QTest::newRow("package address without file name") << versionInfo("{'items': [{'platform': 'PLATFORM', 'version': '2.7.0', 'url': 'https://updates.example/', 'checksum': 'https://updates.example/a.sha256'}]}") << Code::No_Error << false << "2.7.0" << -1 << QString();
			QTest::newRow("syntax error") << versionInfo("{'items': [") << Code::Downloader_Data_Corrupted << false << "" << -1 << "Cannot parse json data:";
			QTest::newRow("no items") << versionInfo("{'item': []}") << Code::Downloader_Data_Corrupted << false << "" << -1 << "Field 'items' cannot be parsed";
			QTest::newRow("items an object") << versionInfo("{'items': {'platform': 'PLATFORM'}}") << Code::Downloader_Data_Corrupted << false << "" << -1 << "Field 'items' cannot be parsed";
			QTest::newRow("number before the match") << with("{'items': [1, {'platform': 'PLATFORM', 'version': '2.7.0', ", "}]}") << Code::Downloader_Data_Corrupted << false << "" << -1 << "Object of field 'items' cannot be parsed";
			QTest::newRow("number after the match") << with("{'items': [{'platform': 'PLATFORM', 'version': '2.7.0', ", "}, 1]}") << Code::No_Error << true << "2.7.0" << -1 << QString();
			QTest::newRow("no match") << with("{'items': [{'platform': 'win-arm64', 'version': '2.7.0', ", "}]}") << Code::Downloader_Missing_Platform << false << "" << -1 << "No matching platform found in update json";
			QTest::newRow("platform in upper case") << with("{'items': [{'platform': 'PLATFORM', 'version': '2.7.0', ", "}]}").replace(AppUpdateData::getPlatformName().toUtf8(), AppUpdateData::getPlatformName().toUpper().toUtf8()) << Code::Downloader_Missing_Platform << false << "" << -1 << "No matching platform found in update json";
			QTest::newRow("empty items") << versionInfo("{'items': []}") << Code::Downloader_Missing_Platform << false << "" << -1 << "No matching platform found in update json";
		}


		void parse()
		{
			QFETCH(QByteArray, json);
			QFETCH(GlobalStatus::Code, result);
			QFETCH(bool, valid);
			QFETCH(QString, version);
			QFETCH(int, size);
			QFETCH(QString, message);

			const LogCapture capture;
			const AppUpdateData data(json);
			QCOMPARE(data.getParsingResult().getStatusCode(), result);
			QCOMPARE(data.isValid(), valid);
			QCOMPARE(data.getVersion(), version);
			QCOMPARE(data.getSize(), size);
			QVERIFY(!data.isChecksumValid());
			if (!message.isEmpty())
			{
				QVERIFY(capture.contains(message));
			}
		}


		void members()
		{
			const AppUpdateData data(versionInfo("{'items': [{'platform': 'PLATFORM', 'minimum_platform': '10.0.19045', 'version': '2.7.0-rc1',"
					"'date': '2024-03-04T05:06:07Z', 'url': 'https://updates.example/dir/Kendrawell 2.7.0.tar.gz', 'size': 5000,"
					"'checksum': 'https://updates.example/dir/Kendrawell.tar.gz.sha512', 'unknown': true}]}"));
			QVERIFY(data.isValid());
			QCOMPARE(data.getMinimumPlatform(), QVersionNumber(10, 0, 19045));
			QCOMPARE(data.getVersion(), QStringLiteral("2.7.0-rc1"));
			QCOMPARE(data.getDate(), QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC));
			QCOMPARE(data.getUrl().fileName(), QStringLiteral("Kendrawell 2.7.0.tar.gz"));
			QCOMPARE(data.getSize(), 5000);
			QCOMPARE(data.getChecksumUrl(), QUrl(QStringLiteral("https://updates.example/dir/Kendrawell.tar.gz.sha512")));
			QCOMPARE(data.getChecksumAlgorithm(), QCryptographicHash::Sha256);
			QVERIFY(data.isCompatible());

			const AppUpdateData empty;
			QVERIFY(!empty.isValid());
			QCOMPARE(empty.getParsingResult().getStatusCode(), GlobalStatus::Code::No_Error);
			QCOMPARE(empty.getSize(), -1);
			QCOMPARE(AppUpdateData(GlobalStatus::Code::Network_Other_Error).getParsingResult().getStatusCode(), GlobalStatus::Code::Network_Other_Error);
		}


		void checksum_data()
		{
			QTest::addColumn<QByteArray>("checksumFile");
			QTest::addColumn<QCryptographicHash::Algorithm>("algorithm");
			QTest::addColumn<bool>("valid");

			const auto name = QFileInfo(mPackage).fileName();
			const auto sha256 = toolOutput(QStringLiteral("sha256sum"), {name}, mDir.path());
			const auto sha512 = toolOutput(QStringLiteral("sha512sum"), {name}, mDir.path());
			const auto sha256Binary = toolOutput(QStringLiteral("sha256sum"), {QStringLiteral("--binary"), name}, mDir.path());
			const auto digest256 = sha256.left(sha256.indexOf(' '));
			const auto otherDigest = toolOutput(QStringLiteral("sha256sum"), {QStringLiteral("other.bin")}, mDir.path());

			QTest::newRow("sha256sum") << sha256 << QCryptographicHash::Sha256 << true;
			QTest::newRow("sha512sum") << sha512 << QCryptographicHash::Sha512 << true;
			QTest::newRow("sha256sum binary mode") << sha256Binary << QCryptographicHash::Sha256 << true;
			QTest::newRow("digest alone") << digest256 << QCryptographicHash::Sha256 << true;
			QTest::newRow("digest alone with line end") << digest256 + '\n' << QCryptographicHash::Sha256 << true;
			QTest::newRow("digest between white space") << " \t" + digest256 + "\r\n" << QCryptographicHash::Sha256 << true;
			QTest::newRow("sha256sum, checked with SHA-512") << sha256 << QCryptographicHash::Sha512 << false;
			QTest::newRow("sha512sum, checked with SHA-256") << sha512 << QCryptographicHash::Sha256 << false;
			QTest::newRow("digest in upper case") << digest256.toUpper() << QCryptographicHash::Sha256 << false;
			QTest::newRow("digest of another file") << otherDigest << QCryptographicHash::Sha256 << false;
			QTest::newRow("truncated digest") << digest256.chopped(1) << QCryptographicHash::Sha256 << false;
			QTest::newRow("empty") << QByteArray() << QCryptographicHash::Sha256 << false;
		}


		void checksum()
		{
			QFETCH(QByteArray, checksumFile);
			QFETCH(QCryptographicHash::Algorithm, algorithm);
			QFETCH(bool, valid);

			AppUpdateData data;
			data.setChecksum(checksumFile, algorithm);
			QCOMPARE(data.getChecksumAlgorithm(), algorithm);
			QVERIFY(!data.getChecksum().contains(' '));
			QVERIFY(!data.isChecksumValid());

			data.setUpdatePackagePath(mPackage);
			QCOMPARE(data.getUpdatePackagePath(), QDir::toNativeSeparators(mPackage));
			QCOMPARE(data.isChecksumValid(), valid);

			// Also with the package first and the checksum second.
			AppUpdateData reversed;
			reversed.setUpdatePackagePath(mPackage);
			reversed.setChecksum(checksumFile, algorithm);
			QCOMPARE(reversed.isChecksumValid(), valid);
		}


		void packageChanges()
		{
			const auto name = QFileInfo(mPackage).fileName();
			AppUpdateData data;
			data.setChecksum(toolOutput(QStringLiteral("sha256sum"), {name}, mDir.path()), QCryptographicHash::Sha256);
			data.setUpdatePackagePath(mPackage);
			QVERIFY(data.isChecksumValid());

			// A package that cannot be read is not valid, whatever an earlier one was.
			const auto directory = mDir.filePath(QStringLiteral("unreadable.tar.gz"));
			QVERIFY(QDir().mkpath(directory));
			const LogCapture capture;
			data.setUpdatePackagePath(directory);
			QVERIFY(capture.contains(QStringLiteral("Cannot open package:")));
			QVERIFY(!data.isChecksumValid());

			data.setUpdatePackagePath(mPackage);
			QVERIFY(data.isChecksumValid());
			data.setUpdatePackagePath(mDir.filePath(QStringLiteral("missing.tar.gz")));
			QVERIFY(!data.isChecksumValid());

			data.setUpdatePackagePath(mPackage);
			QVERIFY(data.isChecksumValid());
			data.setUpdatePackagePath(QString());
			QVERIFY(!data.isChecksumValid());

			// A package changed after the check fails the next one.
			const auto copy = mDir.filePath(QStringLiteral("copy.tar.gz"));
			QVERIFY(QFile::copy(mPackage, copy));
			data.setUpdatePackagePath(copy);
			QVERIFY(data.isChecksumValid());
			QFile file(copy);
			QVERIFY(file.open(QIODevice::Append) && file.write("x") == 1);
			file.close();
			data.verifyChecksum();
			QVERIFY(!data.isChecksumValid());

			// An empty checksum clears the stored one.
			data.setChecksum(QByteArray(), QCryptographicHash::Sha256);
			QVERIFY(data.getChecksum().isEmpty());
			data.setUpdatePackagePath(mPackage);
			QVERIFY(!data.isChecksumValid());
		}


};

KENDRAWELL_TEST_MAIN(test_AppUpdateData)
#include "test_AppUpdateData.moc"
