#pragma once

#include "Msg.h"
#include "MsgTypes.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QLatin1String>
#include <QString>

namespace tessarovin
{

// Builds one message: "msg" is the type's key, the message-specific subclasses add the rest.
// A void handler produces no output at all.
class MsgHandler
{
	public:
		// Wherever a command is answered with nothing.
		static const MsgHandler Void;

	private:
		MsgType mType;
		bool mVoid;
		QJsonObject mJsonObject;

		MsgHandler(MsgType pType, bool pVoid);

	protected:
		void setVoid(bool pVoid = true);

	public:
		explicit MsgHandler(MsgType pType);
		MsgHandler(MsgType pType, const QLatin1String& pKey, const QString& pValue);
		virtual ~MsgHandler() = default;

		MsgHandler(const MsgHandler&) = default;
		MsgHandler& operator=(const MsgHandler&) = default;
		MsgHandler(MsgHandler&&) = default;
		MsgHandler& operator=(MsgHandler&&) = default;

		[[nodiscard]] MsgType getType() const;
		[[nodiscard]] bool isVoid() const;
		[[nodiscard]] QByteArray toJson() const;
		operator Msg() const;

		// An empty text leaves the key out; a JSON value (null included) is always stored.
		void setValue(const QLatin1String& pKey, const QString& pValue);
		void setValue(const QLatin1String& pKey, const QJsonValue& pValue);
		void setError(const QString& pError);
		void setError(const QLatin1String& pError);
		void insertJsonObject(const QJsonObject& pObject);
};

} // namespace tessarovin
