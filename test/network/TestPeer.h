#pragma once

#include <QByteArrayList>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tessarovin
{

// An outside process the client talks to (Python server or proxy, openssl s_server), on a port
// that it chose itself and printed. The process is killed with its owner.
class TestPeer
{
	private:
		QProcess mProcess;
		QList<quint16> mPorts;
		QByteArray mOutput;

	public:
		TestPeer();
		~TestPeer();
		TestPeer(const TestPeer&) = delete;
		TestPeer& operator=(const TestPeer&) = delete;

		// A script of this folder, by its file name, that prints its port (or its ports, separated
		// by spaces) as the first line.
		bool startScript(const QString& pScriptName, const QStringList& pArguments = QStringList());
		// Any program that prints its port as the first line, such as a script run by "ip netns exec".
		bool startProgram(const QString& pProgram, const QStringList& pArguments);
		// "openssl s_server" on a free port of 127.0.0.1 with the given further arguments.
		bool startServer(const QStringList& pArguments);

		[[nodiscard]] quint16 port() const;
		[[nodiscard]] const QList<quint16>& ports() const;
		// Everything printed after the port line so far.
		[[nodiscard]] QByteArray output();
		// What was printed since the last call, with all that waits in the pipe now.
		[[nodiscard]] QByteArray takeOutput();
		// Writes to the process's standard input: what "openssl s_server" without a page option
		// sends to its client.
		void write(const QByteArray& pData);

		// The path of a script of this folder, linked beside the program.
		static QString script(const QString& pName);
		// Folder with the certificates of make_certificates.py, made once per test process.
		static QString certificateFolder();
		static QString certificate(const QString& pName);
		static QString key(const QString& pName);
};

} // namespace tessarovin
