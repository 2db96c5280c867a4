#include "PortFile.h"

#include <QCoreApplication>
#include <QDir>

using namespace tessarovin;

QString PortFile::getPortFilename(const QString& pUsage, qint64 pPid, const QString& pApplicationName)
{
	QString filename = pApplicationName + QLatin1Char('.') + QString::number(pPid);
	if (!pUsage.isEmpty())
	{
		filename += QLatin1Char('.') + pUsage;
	}
	filename += QStringLiteral(".port");

	return QDir::tempPath() + QDir::separator() + filename;
}


PortFile::PortFile(const QString& pUsage, quint16 pDefaultPort)
	: mDefaultPort(pDefaultPort)
	, mFile(getPortFilename(pUsage, QCoreApplication::applicationPid(), QCoreApplication::applicationName()))
{
}


PortFile::~PortFile()
{
	remove();
}


void PortFile::handlePort(quint16 pPort)
{
	if (pPort == mDefaultPort)
	{
		return;
	}

	if (mFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
	{
		if (mFile.isWritable())
		{
			mFile.write(QByteArray::number(pPort));
		}
		mFile.close();
	}
}


void PortFile::remove()
{
	if (mFile.exists())
	{
		mFile.remove();
	}
}
