#include "FuzzEnvironment.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cstdio>

using namespace tessarovin;


namespace
{

void discardMessage(QtMsgType pType, const QMessageLogContext&, const QString& pMessage)
{
	// Qt aborts after a fatal message; its text tells the finding.
	if (pType == QtFatalMsg)
	{
		fprintf(stderr, "%s\n", qPrintable(pMessage));
	}
}


} // namespace


void FuzzEnvironment::init(int* pArgc, char*** pArgv)
{
	qInstallMessageHandler(discardMessage);
	// Lives until the process ends: libFuzzer never returns from its loop.
	static QCoreApplication application(*pArgc, *pArgv);
}


QByteArray FuzzEnvironment::bytes(const uint8_t* pData, size_t pSize)
{
	return QByteArray::fromRawData(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(pSize));
}


// libFuzzer calls this once before the first input; it is a weak symbol there, hence an object
// library below, which every target links in whole.
extern "C" int LLVMFuzzerInitialize(int* pArgc, char*** pArgv)
{
	FuzzEnvironment::init(pArgc, pArgv);
	return 0;
}
