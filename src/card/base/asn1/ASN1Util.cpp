#include "asn1/ASN1Util.h"

#include "LogCategories.h"
#include "OpenSslUtil.h"

#include <QScopeGuard>

#include <algorithm>
#include <climits>

#include <openssl/err.h>

using namespace tessarovin;


QDate Asn1BCDDateUtil::convertFromUnpackedBCDToQDate(const asn1_string_st* pDateString)
{
	if (pDateString == nullptr)
	{
		qCCritical(card) << "Date pointer null.";
		return QDate();
	}

	if (ASN1_STRING_length(pDateString) != 6)
	{
		qCCritical(card) << "Invalid date length.";
		return QDate();
	}

	const unsigned char* digits = ASN1_STRING_get0_data(pDateString);
	// An octet above 9 is no digit: 0F in the month's second place would otherwise read as 15.
	if (std::any_of(digits, digits + 6, [](unsigned char pDigit) {
			return pDigit > 9;
		}))
	{
		return QDate();
	}
	const int year = 2000 + 10 * digits[0] + digits[1];
	const int month = 10 * digits[2] + digits[3];
	const int day = 10 * digits[4] + digits[5];
	return QDate(year, month, day);
}


int Asn1IntegerUtil::getValue(const asn1_string_st* pInteger)
{
	if (pInteger == nullptr)
	{
		return -1;
	}

	int64_t value = 0;
	if (ASN1_INTEGER_get_int64(&value, pInteger) != 1)
	{
		ERR_clear_error();
		qCCritical(card) << "Conversion error on ASN1_INTEGER";
		return -1;
	}
	return static_cast<int>(value);
}


QByteArray Asn1IntegerUtil::encodeContent(int pValue)
{
	QByteArray content;
	auto value = static_cast<qint64>(pValue);
	do
	{
		content.prepend(static_cast<char>(value & 0xFF));
		value >>= 8;
	}
	while (!(value == 0 && (content.at(0) & 0x80) == 0) && !(value == -1 && (content.at(0) & 0x80) != 0));
	return content;
}


QByteArray Asn1OctetStringUtil::getValue(const asn1_string_st* pOctetString)
{
	if (pOctetString == nullptr)
	{
		return QByteArray();
	}
	return QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(pOctetString)), ASN1_STRING_length(pOctetString));
}


bool Asn1OctetStringUtil::setValue(const QByteArray& pValue, ASN1_OCTET_STRING* pOctetString)
{
	if (pOctetString == nullptr || pValue.size() > INT_MAX)
	{
		return false;
	}
	return ASN1_OCTET_STRING_set(pOctetString, reinterpret_cast<const unsigned char*>(pValue.constData()), static_cast<int>(pValue.size())) == 1;
}


QString Asn1StringUtil::getValue(const asn1_string_st* pString)
{
	if (pString == nullptr)
	{
		return QString();
	}

	unsigned char* utf8 = nullptr;
	const int length = ASN1_STRING_to_UTF8(&utf8, pString);
	const OpenSslBuffer<> owner(utf8);
	if (length < 0)
	{
		return QString();
	}
	return QString::fromUtf8(reinterpret_cast<const char*>(utf8), length);
}


QByteArray Asn1TypeUtil::encode(const ASN1_TYPE* pAny)
{
	if (pAny == nullptr)
	{
		return QByteArray();
	}

	unsigned char* encoded = nullptr;
	const int length = i2d_ASN1_TYPE(pAny, &encoded);
	const OpenSslBuffer<> owner(encoded);
	if (length < 0)
	{
		return QByteArray();
	}
	return QByteArray(reinterpret_cast<const char*>(encoded), length);
}


QByteArray Asn1Util::encode(int pClass, int pTag, const QByteArray& pContent, bool pConstructed)
{
	// Header and content must fit into an int for OpenSSL; card data is far smaller.
	if (pContent.size() > INT_MAX - 16 || pTag < 0)
	{
		return QByteArray();
	}

	const int contentLength = static_cast<int>(pContent.size());
	const int totalLength = ASN1_object_size(pConstructed ? 1 : 0, contentLength, pTag);
	if (totalLength < contentLength)
	{
		return QByteArray();
	}

	QByteArray result(totalLength, Qt::Uninitialized);
	auto* position = reinterpret_cast<unsigned char*>(result.data());
	ASN1_put_object(&position, pConstructed ? 1 : 0, contentLength, pTag, pClass);
	const auto headerLength = position - reinterpret_cast<unsigned char*>(result.data());
	std::copy(pContent.cbegin(), pContent.cend(), result.begin() + headerLength);
	return result;
}
