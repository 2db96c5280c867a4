#include "MsgHandler.h"

#include <QJsonDocument>

using namespace tessarovin;

const MsgHandler MsgHandler::Void(MsgType::VOID, true);


MsgHandler::MsgHandler(MsgType pType, bool pVoid)
	: mType(pType)
	, mVoid(pVoid)
	, mJsonObject()
{
}


MsgHandler::MsgHandler(MsgType pType)
	: MsgHandler(pType, false)
{
	setValue(QLatin1String("msg"), QString(Enum<MsgType>::getName(pType)));
}


MsgHandler::MsgHandler(MsgType pType, const QLatin1String& pKey, const QString& pValue)
	: MsgHandler(pType)
{
	setValue(pKey, pValue);
}


void MsgHandler::setVoid(bool pVoid)
{
	mVoid = pVoid;
}


MsgType MsgHandler::getType() const
{
	return mType;
}


bool MsgHandler::isVoid() const
{
	return mVoid || mType == MsgType::VOID;
}


QByteArray MsgHandler::toJson() const
{
	if (isVoid())
	{
		return QByteArray();
	}
	return QJsonDocument(mJsonObject).toJson(QJsonDocument::Compact);
}


MsgHandler::operator Msg() const
{
	return Msg(mType, toJson());
}


void MsgHandler::setValue(const QLatin1String& pKey, const QString& pValue)
{
	if (!pValue.isEmpty())
	{
		mJsonObject[pKey] = pValue;
	}
}


void MsgHandler::setValue(const QLatin1String& pKey, const QJsonValue& pValue)
{
	mJsonObject[pKey] = pValue;
}


void MsgHandler::setError(const QString& pError)
{
	setValue(QLatin1String("error"), pError);
}


void MsgHandler::setError(const QLatin1String& pError)
{
	setError(QString(pError));
}


void MsgHandler::insertJsonObject(const QJsonObject& pObject)
{
	for (auto entry = pObject.constBegin(); entry != pObject.constEnd(); ++entry)
	{
		mJsonObject.insert(entry.key(), entry.value());
	}
}
