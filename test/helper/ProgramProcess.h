#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace tessarovin
{

// One run of the whole program of this build as a child, with the web service and the automatic
// front end, in a home and temporary folder of its own. It dies with the process that started it.
//
//   ProgramProcess program;
//   QVERIFY(program.installWithTestConfiguration());   // only where the test PKI must be trusted
//   program.enableSimulator();
//   program.setEnvironment("KENDRAWELL_AUTOMATIC_PIN", "731862");
//   QVERIFY(program.start(0) && program.waitForPort());
//   ... http://127.0.0.1:<program.port()>/eID-Client?...
class ProgramProcess
{
	private:
		QTemporaryDir mHome;
		QProcess mProcess;
		QString mProgram;
		QProcessEnvironment mExtraEnvironment;

	public:
		// The program of this build, from the test programs' folder.
		static QString getBuiltProgram();

		ProgramProcess();
		ProgramProcess(const ProgramProcess&) = delete;
		ProgramProcess& operator=(const ProgramProcess&) = delete;
		~ProgramProcess();

		// Runs a copy of the program with its resources beside the tests' security configuration,
		// which trusts the test PKI of the eID server.
		bool installWithTestConfiguration();
		// The simulated card in a reader without pin pad, as the persistent settings of the home hold it.
		void enableSimulator();
		void setEnvironment(const QString& pName, const QString& pValue);
		// The program's output goes to that file instead of the one output() reads.
		void setOutputFile(const QString& pPath);
		[[nodiscard]] QString getOutputPath() const;

		bool start(quint16 pPort);
		[[nodiscard]] qint64 processId() const;
		// The port the program names in its port file; 0 until it has written one.
		[[nodiscard]] quint16 port() const;
		[[nodiscard]] bool hasPortFile() const;
		bool waitForPort();
		// The exit code, or -1 when it did not end in time.
		int waitForExit();
		void terminate();
		// All the program wrote so far, standard output and errors.
		QByteArray output();
};

} // namespace tessarovin
