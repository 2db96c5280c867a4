#include "FileRef.h"

#include <QList>
#include <QPair>

using namespace tessarovin;

FileRef::FileRef(TYPE pType, const QByteArray& pPath, const QByteArray& pShortIdentifier)
	: mType(pType)
	, mPath(pPath)
	, mShortIdentifier(pShortIdentifier)
{
}


FileRef::FileRef()
	: FileRef(UNKNOWN, QByteArray(), QByteArray())
{
}


FileRef::FileRef(uchar pType, const QByteArray& pPath, const QByteArray& pShortIdentifier)
	: FileRef(UNKNOWN, pPath, pShortIdentifier)
{
	switch (pType)
	{
		case MASTER_FILE:
		case ELEMENTARY_FILE:
		case APPLICATION:
			mType = static_cast<TYPE>(pType);
			break;

		default:
			qCritical().noquote() << "Ignoring unknown file type" << QString::asprintf("0x%02X", pType);
	}
}


FileRef FileRef::masterFile()
{
	return FileRef(MASTER_FILE, QByteArray::fromHex("3F00"), QByteArray());
}


FileRef FileRef::efDir()
{
	return FileRef(ELEMENTARY_FILE, QByteArray::fromHex("2F00"), QByteArray::fromHex("1E"));
}


FileRef FileRef::efCardAccess()
{
	return FileRef(ELEMENTARY_FILE, QByteArray::fromHex("011C"), QByteArray::fromHex("1C"));
}


FileRef FileRef::efCardSecurity()
{
	return FileRef(ELEMENTARY_FILE, QByteArray::fromHex("011D"), QByteArray::fromHex("1D"));
}


FileRef FileRef::appESignCia()
{
	return FileRef(APPLICATION, QByteArray::fromHex("E828BD080FA000000167455349474E"), QByteArray());
}


FileRef FileRef::appEId()
{
	return FileRef(APPLICATION, QByteArray::fromHex("E80704007F00070302"), QByteArray());
}


FileRef FileRef::appESign()
{
	return FileRef(APPLICATION, QByteArray::fromHex("A000000167455349474E"), QByteArray());
}


FileRef FileRef::appPassport()
{
	return FileRef(APPLICATION, QByteArray::fromHex("A0000002471001"), QByteArray());
}


FileRef FileRef::appPersosim()
{
	return FileRef(APPLICATION, QByteArray::fromHex("F04E66E75C02D8"), QByteArray());
}


FileRef::TYPE FileRef::getType() const
{
	return mType;
}


const QByteArray& FileRef::getIdentifier() const
{
	return mPath;
}


const QByteArray& FileRef::getShortIdentifier() const
{
	return mShortIdentifier;
}


QString FileRef::getName() const
{
	switch (mType)
	{
		case MASTER_FILE:
			return QStringLiteral("MasterFile");

		case ELEMENTARY_FILE:
			return QStringLiteral("ElementaryFile");

		default:
			break;
	}

	const QList<QPair<FileRef, QString>> applications = {
		{appESignCia(), QStringLiteral("eSign CIA")},
		{appEId(), QStringLiteral("eID")},
		{appESign(), QStringLiteral("eSign")},
		{appPassport(), QStringLiteral("Passport")},
		{appPersosim(), QStringLiteral("PersoSim")}
	};
	for (const auto& [application, name] : applications)
	{
		if (application.getIdentifier() == mPath)
		{
			return name;
		}
	}

	return QStringLiteral("Unknown");
}


QDebug tessarovin::operator<<(QDebug pDbg, const FileRef& pFileRef)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.nospace().noquote() << pFileRef.getIdentifier().toHex().toUpper() << " (" << pFileRef.getName() << ")";
	return pDbg;
}
