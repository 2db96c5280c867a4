#include "UpdateServer.h"

#include "Env.h"
#include "NetworkManager.h"
#include "SecureStorage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslCertificate>

using namespace tessarovin;


const QString UpdateServer::cReleaseVersionInfo = QStringLiteral("/release/Kendrawell.json");
const QString UpdateServer::cBetaVersionInfo = QStringLiteral("/beta/Kendrawell.json");


UpdateServer::UpdateServer()
	: mPeer()
	, mRoot(QDir::temp().filePath(QStringLiteral("update-server")))
{
}


bool UpdateServer::setUp()
{
	if (!start() || !writeConfig() || SecureStorage::getInstance().getUpdateCertificates().size() != 1)
	{
		return false;
	}
	NetworkManager::lockProxy = true;
	NetworkManager::setApplicationProxyFactory();
	return true;
}


void UpdateServer::tearDown()
{
	removeConfig();
	Env::getSingleton<NetworkManager>()->onShutdown();
	QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}


bool UpdateServer::start()
{
	QDir(mRoot).removeRecursively();
	if (!QDir().mkpath(mRoot))
	{
		return false;
	}
	return mPeer.startScript(QStringLiteral("update_server.py"), {
				QStringLiteral("--root"), mRoot,
				QStringLiteral("--cert"), TestPeer::certificate(QStringLiteral("rsa2048")),
				QStringLiteral("--key"), TestPeer::key(QStringLiteral("rsa2048"))
			});
}


bool UpdateServer::writeConfig(const QJsonObject& pOverrides) const
{
	QFile shipped(QStringLiteral(":/config.json"));
	QFile certificateFile(TestPeer::certificate(QStringLiteral("rsa2048")));
	if (!shipped.open(QIODevice::ReadOnly) || !certificateFile.open(QIODevice::ReadOnly))
	{
		return false;
	}

	auto config = QJsonDocument::fromJson(shipped.readAll()).object();
	const QSslCertificate certificate(certificateFile.readAll(), QSsl::Pem);
	config.insert(QStringLiteral("updateCertificates"), QJsonArray({QString::fromLatin1(certificate.toDer().toHex())}));
	// With the trailing slash, as the shipped address has it.
	config.insert(QStringLiteral("updateServer"), QJsonObject({{QStringLiteral("baseUrl"), url(QStringLiteral("/")).toString()}}));
	config.insert(QStringLiteral("updates"), QJsonObject({
				{QStringLiteral("release"), url(cReleaseVersionInfo).toString()},
				{QStringLiteral("beta"), url(cBetaVersionInfo).toString()}
			}));
	for (auto member = pOverrides.constBegin(); member != pOverrides.constEnd(); ++member)
	{
		config.insert(member.key(), member.value());
	}

	QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"));
	return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(QJsonDocument(config).toJson()) > 0;
}


void UpdateServer::removeConfig()
{
	QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"));
}


quint16 UpdateServer::port() const
{
	return mPeer.port();
}


QUrl UpdateServer::url(const QString& pPath) const
{
	return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(port()).arg(pPath));
}


QString UpdateServer::root() const
{
	return mRoot;
}


void UpdateServer::putFile(const QString& pPath, const QByteArray& pData, const QDateTime& pModified) const
{
	const auto path = mRoot + QLatin1Char('/') + pPath;
	QDir().mkpath(QFileInfo(path).absolutePath());
	QFile file(path);
	// Flushed first: the write of the buffer would move the modification time again.
	if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(pData) != pData.size() || !file.flush()
			|| !file.setFileTime(pModified, QFileDevice::FileModificationTime))
	{
		qFatal("cannot serve %s", qPrintable(path));
	}
}


void UpdateServer::removeFile(const QString& pPath) const
{
	QFile::remove(mRoot + QLatin1Char('/') + pPath);
}


void UpdateServer::setStatus(const QString& pPath, int pStatus) const
{
	const auto path = mRoot + QLatin1Char('/') + pPath + QStringLiteral(".status");
	if (pStatus == 200)
	{
		QFile::remove(path);
		return;
	}

	QDir().mkpath(QFileInfo(path).absolutePath());
	QFile file(path);
	if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(QByteArray::number(pStatus)) <= 0)
	{
		qFatal("cannot write %s", qPrintable(path));
	}
}


QList<UpdateServer::Record> UpdateServer::records()
{
	QList<Record> result;
	const auto lines = mPeer.output().split('\n');
	for (const auto& line : lines)
	{
		const auto object = QJsonDocument::fromJson(line).object();
		if (object.isEmpty())
		{
			continue;
		}
		result << Record{
			object.value(QStringLiteral("path")).toString(),
			object.value(QStringLiteral("ifModifiedSince")).toString(),
			object.value(QStringLiteral("status")).toInt(),
			object.value(QStringLiteral("body")).toString()
		};
	}
	return result;
}


QList<UpdateServer::Record> UpdateServer::records(const QString& pPath)
{
	auto result = records();
	result.removeIf([&pPath](const Record& pRecord){
				return pRecord.mPath != pPath;
			});
	return result;
}
