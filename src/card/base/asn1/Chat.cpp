#include "asn1/Chat.h"

#include "asn1/ASN1Util.h"
#include "LogCategories.h"

using namespace tessarovin;

namespace
{

constexpr int TEMPLATE_SIZE = 5;
constexpr uint MAX_TEMPLATE_BIT = 39;


int decodeCallback(int pOperation, ASN1_VALUE** pVal, const ASN1_ITEM* pIt, void* pExarg)
{
	Q_UNUSED(pIt)
	Q_UNUSED(pExarg)

	if (pOperation != ASN1_OP_D2I_POST)
	{
		return 1;
	}

	const auto* chat = reinterpret_cast<const chat_st*>(*pVal);
	const int size = ASN1_STRING_length(chat->mTemplate);
	if (size != TEMPLATE_SIZE)
	{
		qCDebug(card) << "CHAT Template has wrong size" << size;
		return 0;
	}

	const Oid type(chat->mType);
	if (type != KnownOid::ID_AT)
	{
		qCDebug(card) << "CHAT type is unsupported" << type;
		return 0;
	}

	return 1;
}


} // namespace


namespace tessarovin
{

ASN1_SEQUENCE_cb(chat_seq, decodeCallback) = {
	ASN1_SIMPLE(chat_st, mType, ASN1_OBJECT),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x13, chat_st, mTemplate, ASN1_OCTET_STRING)
} ASN1_SEQUENCE_END_cb(chat_st, chat_seq)

ASN1_ITEM_TEMPLATE(chat_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x4C, chat_st, chat_seq)
ASN1_ITEM_TEMPLATE_END(chat_st)

IMPLEMENT_ASN1_OBJECT(chat_st)

} // namespace tessarovin


QSharedPointer<chat_st> chat_st::decode(const QByteArray& pBytes)
{
	return decodeObject<chat_st>(pBytes);
}


QSharedPointer<chat_st> chat_st::fromHex(const QString& pHexValue)
{
	return decode(QByteArray::fromHex(pHexValue.toLatin1()));
}


QSharedPointer<chat_st> chat_st::copy() const
{
	auto* duplicate = static_cast<chat_st*>(ASN1_item_dup(ASN1_ITEM_rptr(chat_st), this));
	return QSharedPointer<chat_st>(duplicate, &chat_st_free);
}


Oid chat_st::getType() const
{
	return Oid(mType);
}


QByteArray chat_st::getTemplate() const
{
	return Asn1OctetStringUtil::getValue(mTemplate);
}


AccessRole chat_st::getAccessRole() const
{
	const QByteArray bytes = getTemplate();
	if (bytes.isEmpty())
	{
		return AccessRole::UNKNOWN;
	}
	return static_cast<AccessRole>(static_cast<uchar>(bytes.at(0)) >> 6);
}


QSet<AccessRight> chat_st::getAccessRights() const
{
	quint64 bits = 0;
	const QByteArray bytes = getTemplate();
	for (const char byte : bytes)
	{
		bits = (bits << 8) + static_cast<uchar>(byte);
	}

	QSet<AccessRight> rights;
	for (const AccessRight right : AccessRoleAndRightsUtil::allRights())
	{
		if (bits & (quint64(1) << static_cast<int>(right)))
		{
			rights += right;
		}
	}
	return rights;
}


void chat_st::setTemplateBit(uint pBitIndex, bool pSet)
{
	if (pBitIndex > MAX_TEMPLATE_BIT)
	{
		qCCritical(card) << "Setting template bit > 39 not supported";
		return;
	}

	QByteArray bytes = getTemplate();
	if (bytes.isEmpty())
	{
		bytes = QByteArray(TEMPLATE_SIZE, '\0');
	}

	const auto index = static_cast<qsizetype>(TEMPLATE_SIZE - 1 - pBitIndex / 8);
	if (index >= bytes.size())
	{
		// A template that was not decoded by us may be short; there is no octet for this bit.
		qCCritical(card) << "Setting template bit > 39 not supported";
		return;
	}

	const auto mask = static_cast<uchar>(1 << (pBitIndex % 8));
	auto octet = static_cast<uchar>(bytes.at(index));
	octet = pSet ? static_cast<uchar>(octet | mask) : static_cast<uchar>(octet & ~mask);
	bytes[index] = static_cast<char>(octet);

	if (mTemplate == nullptr)
	{
		mTemplate = ASN1_OCTET_STRING_new();
	}
	Asn1OctetStringUtil::setValue(bytes, mTemplate);
}


void chat_st::setAccessRights(const QSet<AccessRight>& pAccessRights)
{
	for (const AccessRight right : pAccessRights)
	{
		setTemplateBit(static_cast<uint>(right), true);
	}
}


void chat_st::removeAccessRight(AccessRight pAccessRight)
{
	setTemplateBit(static_cast<uint>(pAccessRight), false);
}


void chat_st::removeAllAccessRights()
{
	for (const AccessRight right : getAccessRights())
	{
		removeAccessRight(right);
	}
}
