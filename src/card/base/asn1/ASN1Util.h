#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <openssl/asn1.h>

namespace tessarovin
{

class Asn1BCDDateUtil
{
	public:
		// Six octets Y1 Y2 M1 M2 D1 D2, each a digit value (not ASCII), in the years 2000 to 2099.
		static QDate convertFromUnpackedBCDToQDate(const asn1_string_st* pDateString);
};


class Asn1IntegerUtil
{
	public:
		// -1 when absent or unreadable.
		static int getValue(const asn1_string_st* pInteger);
		// The content octets of a DER INTEGER: big-endian two's complement, shortest form.
		static QByteArray encodeContent(int pValue);
};


class Asn1OctetStringUtil
{
	public:
		static QByteArray getValue(const asn1_string_st* pOctetString);
		static bool setValue(const QByteArray& pValue, ASN1_OCTET_STRING* pOctetString);
};


class Asn1StringUtil
{
	public:
		static QString getValue(const asn1_string_st* pString);
};


class Asn1TypeUtil
{
	public:
		static QByteArray encode(const ASN1_TYPE* pAny);
};


class Asn1Util
{
	public:
		// One definite-length TLV; pClass is one of the V_ASN1_* class values (0x00, 0x40, 0x80, 0xC0).
		static QByteArray encode(int pClass, int pTag, const QByteArray& pContent, bool pConstructed = false);
};

} // namespace tessarovin
