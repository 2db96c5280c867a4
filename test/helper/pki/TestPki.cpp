#include "TestPki.h"

#include "TestEnvironment.h"

#include <QDebug>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

using namespace tessarovin;


namespace
{

const char* chainName(TestPki::Chain pChain)
{
	switch (pChain)
	{
		case TestPki::Chain::VALID:
			return "valid";

		case TestPki::Chain::EXPIRED_DV:
			return "expired_dv";

		case TestPki::Chain::PRODUCTIVE:
			return "productive";

		case TestPki::Chain::DESCRIPTION_MISMATCH:
			return "description_mismatch";

		case TestPki::Chain::NO_SUBJECT_URL:
			return "no_subject_url";

		case TestPki::Chain::TWO_DVS:
			return "two_dvs";

		case TestPki::Chain::NO_TERMINAL:
			return "no_terminal";

		case TestPki::Chain::MIXED_HASH:
			return "mixed_hash";
	}
	return "";
}


QByteArray readFile(const QString& pPath)
{
	QFile file(pPath);
	if (!file.open(QIODevice::ReadOnly))
	{
		qWarning() << "Cannot read" << pPath;
		return QByteArray();
	}
	return file.readAll();
}


} // namespace


QJsonObject TestPki::chain(Chain pChain) const
{
	return mManifest.value(QLatin1String("chains")).toObject().value(QLatin1String(chainName(pChain))).toObject();
}


bool TestPki::create(const QString& pFolder, quint16 pPort, const QByteArray& pChat)
{
	QStringList arguments {getFixture(QStringLiteral("make_pki.py")), pFolder, QString::number(pPort)};
	if (!pChat.isEmpty())
	{
		arguments << QStringLiteral("--chat") << QString::fromLatin1(pChat.toHex());
	}

	QProcess process;
	process.start(QStringLiteral("/usr/bin/python3"), arguments);
	if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
	{
		qWarning() << "make_pki.py failed:" << process.errorString() << process.readAllStandardError();
		return false;
	}

	return open(pFolder);
}


bool TestPki::open(const QString& pFolder)
{
	mFolder = pFolder;
	mManifest = QJsonDocument::fromJson(read(QStringLiteral("pki.json"))).object();
	return !mManifest.isEmpty();
}


QString TestPki::path(const QString& pName) const
{
	return mFolder + QLatin1Char('/') + pName;
}


QByteArray TestPki::read(const QString& pName) const
{
	return readFile(path(pName));
}


QStringList TestPki::getEac1CertificateNames(Chain pChain) const
{
	QStringList names;
	const auto certificates = chain(pChain).value(QLatin1String("certificates")).toArray();
	for (const auto& name : certificates)
	{
		names << name.toString();
	}
	return names;
}


QByteArrayList TestPki::getEac1Certificates(Chain pChain) const
{
	QByteArrayList certificates;
	const auto names = getEac1CertificateNames(pChain);
	for (const auto& name : names)
	{
		certificates << read(name);
	}
	return certificates;
}


QString TestPki::getDescriptionName(Chain pChain) const
{
	return chain(pChain).value(QLatin1String("description")).toString();
}


QByteArray TestPki::getDescription(Chain pChain) const
{
	return read(getDescriptionName(pChain));
}


QString TestPki::getSubjectUrl() const
{
	return mManifest.value(QLatin1String("subjectUrl")).toString();
}


QString TestPki::getFixture(const QString& pName)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/pki/") + pName;
}


QByteArray TestPki::readFixture(const QString& pName)
{
	return readFile(getFixture(pName));
}


QStringList TestPki::getListedTlsCertificates()
{
	return {QStringLiteral("provider"), QStringLiteral("eid_server"), QStringLiteral("redirect"), QStringLiteral("weak")};
}


QString TestPki::getSecurityConfiguration()
{
	return getFixture(QStringLiteral("config.json"));
}
