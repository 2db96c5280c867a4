#pragma once

#include "TestPeer.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>

namespace tessarovin
{

// The update server of the tests (update_server.py) over TLS with the certificate "rsa2048", serving
// the files of a folder of its own. writeConfig makes it the update server of the security
// configuration, with the program's version information below it: the tests that use it need
// ":/config.json" in their resources and a program folder of their own, and must call it before
// anything reads the configuration.
class UpdateServer
{
	public:
		// One answered request.
		struct Record
		{
			QString mPath;
			QString mIfModifiedSince;
			int mStatus;
			QString mBody;
		};

	private:
		TestPeer mPeer;
		QString mRoot;

	public:
		// Where the configuration that writeConfig writes expects the program's version information.
		static const QString cReleaseVersionInfo;
		static const QString cBetaVersionInfo;

		UpdateServer();

		bool start();
		// The members of pOverrides replace those of the same name.
		bool writeConfig(const QJsonObject& pOverrides = QJsonObject()) const;
		static void removeConfig();

		// What a test of the updater does first: start, writeConfig, check that the configuration
		// took the server's certificate, and lock the proxy so that the host's proxy stays out.
		bool setUp();
		// And last: removeConfig, and the network manager's shutdown as the program does at exit,
		// or its cached connections outlive the event loop that would free them.
		static void tearDown();

		[[nodiscard]] quint16 port() const;
		[[nodiscard]] QUrl url(const QString& pPath) const;
		[[nodiscard]] QString root() const;

		// Serves the data under the path (relative to the root) with its modification time.
		void putFile(const QString& pPath, const QByteArray& pData, const QDateTime& pModified) const;
		void removeFile(const QString& pPath) const;
		// Answers the path with the status instead of the file; 200 serves the file again.
		void setStatus(const QString& pPath, int pStatus) const;

		[[nodiscard]] QList<Record> records();
		[[nodiscard]] QList<Record> records(const QString& pPath);
};

} // namespace tessarovin
