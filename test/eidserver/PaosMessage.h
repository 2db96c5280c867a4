#pragma once

#include <QByteArray>
#include <QMultiMap>
#include <QString>

namespace tessarovin
{

// A PAOS message of the client as this server reads it, and the envelope of the server's requests.
// Reading ignores prefixes and nesting: the element texts are collected by local name.
class PaosMessage
{
	private:
		bool mWellFormed = false;
		QString mType;
		QString mProtocolDataType;
		QString mMessageId;
		QString mRelatesTo;
		QMultiMap<QString, QString> mValues;

	public:
		explicit PaosMessage(const QByteArray& pXml);

		[[nodiscard]] bool isWellFormed() const;
		// Local name of the body's first element ("StartPAOS", "DIDAuthenticateResponse" ...).
		[[nodiscard]] const QString& getType() const;
		// xsi:type of AuthenticationProtocolData without prefix ("EAC1OutputType" ...).
		[[nodiscard]] const QString& getProtocolDataType() const;
		[[nodiscard]] const QString& getMessageId() const;
		[[nodiscard]] const QString& getRelatesTo() const;
		// The text of the first element of that local name in the body.
		[[nodiscard]] QString value(const QString& pName) const;
		[[nodiscard]] QByteArray hexValue(const QString& pName) const;
		[[nodiscard]] QStringList values(const QString& pName) const;
		// ResultMajor ends in "#ok" and there is no ResultMinor.
		[[nodiscard]] bool isResultOk() const;

		// A SOAP envelope with the PAOS header around pBody, which may use the prefixes iso, ecard, dss and xsi.
		[[nodiscard]] static QByteArray envelope(const QString& pRelatesTo, const QString& pMessageId, const QByteArray& pBody);
		[[nodiscard]] static QString createMessageId();
};

} // namespace tessarovin
