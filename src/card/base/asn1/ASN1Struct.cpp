#include "asn1/ASN1Struct.h"

#include "asn1/ASN1TemplateUtil.h"
#include "asn1/ASN1Util.h"
#include "asn1/Oid.h"
#include "LogCategories.h"

#include <openssl/asn1.h>

using namespace tessarovin;

namespace
{

// Data from a server or a remote peer may nest without end; real card data stays below ten levels.
constexpr int cMaxDepth = 64;

} // namespace


ASN1Struct::ASN1Struct()
	: mClass(V_ASN1_UNIVERSAL)
	, mTag(-1)
	, mData()
	, mChildren()
{
}


ASN1Struct::ASN1Struct(const QByteArray& pDer)
	: ASN1Struct()
{
	parse(reinterpret_cast<const unsigned char*>(pDer.constData()), static_cast<long>(pDer.size()), 0);
}


ASN1Struct::ASN1Struct(int pClass, int pTag, const QByteArray& pData)
	: mClass(pClass)
	, mTag(pTag)
	, mData(pData)
	, mChildren()
{
}


void ASN1Struct::parse(const unsigned char* pData, long pLength, int pDepth)
{
	if (pDepth > cMaxDepth)
	{
		qCritical() << "Could not parse ASN1Struct:" << "nesting deeper than" << cMaxDepth;
		return;
	}

	while (pLength > 0)
	{
		const unsigned char* content = pData;
		long contentLength = 0;
		int tag = 0;
		int xclass = 0;
		const int result = ASN1_get_object(&content, &contentLength, &tag, &xclass, pLength);
		if (result & 0x80)
		{
			qCritical() << "Could not parse ASN1Struct:" << getOpenSslErrors();
			return;
		}
		if (result & 0x01)
		{
			// Indefinite lengths would need the end-of-contents octets searched for.
			qCritical() << "Could not parse ASN1Struct:" << "indefinite length";
			return;
		}

		const long headerLength = content - pData;
		if (contentLength > pLength - headerLength)
		{
			qCritical() << "Unexpected end of ASN1Struct";
			return;
		}
		const long elementLength = headerLength + contentLength;
		const bool constructed = result & V_ASN1_CONSTRUCTED;

		if (mTag == -1 && mChildren.isEmpty() && elementLength == pLength)
		{
			mClass = xclass;
			mTag = tag;
			if (!constructed)
			{
				mData = QByteArray(reinterpret_cast<const char*>(content), contentLength);
				if (mData.isNull())
				{
					// An empty primitive must stay primitive when it is encoded again.
					mData = QByteArray("", 0);
				}
				return;
			}
			pData = content;
			pLength = contentLength;
			continue;
		}

		// The header bounds the child: when its content is malformed, only the child stays
		// incomplete and the siblings after it are still read.
		ASN1Struct child;
		child.parse(pData, elementLength, pDepth + 1);
		mChildren << child;
		pData += elementLength;
		pLength -= elementLength;
	}
}


int ASN1Struct::getClass() const
{
	return mClass;
}


int ASN1Struct::getTag() const
{
	return mTag;
}


const QByteArray& ASN1Struct::getContent() const
{
	return mData;
}


const QList<ASN1Struct>& ASN1Struct::getChildren() const
{
	return mChildren;
}


QByteArray ASN1Struct::encode() const
{
	if (!mData.isNull())
	{
		return Asn1Util::encode(mClass, mTag, mData, false);
	}

	QByteArray content;
	for (const auto& child : mChildren)
	{
		content += child.encode();
	}

	if (mTag == -1)
	{
		return content;
	}
	return Asn1Util::encode(mClass, mTag, content, true);
}


void ASN1Struct::append(const QByteArray& pDer)
{
	mChildren << ASN1Struct(pDer);
}


void ASN1Struct::append(DATA_TAG pTag, const QByteArray& pContent)
{
	// Null content would turn the child into an empty constructed node.
	mChildren << ASN1Struct(V_ASN1_CONTEXT_SPECIFIC, pTag, pContent.isNull() ? QByteArray("", 0) : pContent);
}


void ASN1Struct::append(DATA_TAG pTag, const Oid& pOid)
{
	append(pTag, pOid.getData());
}


void ASN1Struct::append(DATA_TAG pTag, int pValue)
{
	const QSharedPointer<ASN1_TYPE> integer(ASN1_TYPE_new(), &ASN1_TYPE_free);
	ASN1_INTEGER* value = ASN1_INTEGER_new();
	if (ASN1_INTEGER_set_int64(value, pValue) != 1)
	{
		qCCritical(card) << "Encoding error on ASN1_INTEGER";
	}
	ASN1_TYPE_set(integer.data(), V_ASN1_INTEGER, value);

	const ASN1Struct encoded(Asn1TypeUtil::encode(integer.data()));
	append(pTag, encoded.getData(V_ASN1_UNIVERSAL, V_ASN1_INTEGER));
}


void ASN1Struct::append(DATA_TAG pTag, char pValue)
{
	append(pTag, QByteArray(1, pValue));
}


QByteArray ASN1Struct::getData(int pClass, int pTag) const
{
	if (mClass == pClass && mTag == pTag && !mData.isNull())
	{
		return mData;
	}

	for (const auto& child : mChildren)
	{
		const QByteArray data = child.getData(pClass, pTag);
		if (!data.isNull())
		{
			return data;
		}
	}
	return QByteArray();
}


QByteArray ASN1Struct::getObject(int pClass, int pTag) const
{
	if (mClass == pClass && mTag == pTag)
	{
		return encode();
	}

	for (const auto& child : mChildren)
	{
		const QByteArray object = child.getObject(pClass, pTag);
		if (!object.isNull())
		{
			return object;
		}
	}
	return QByteArray();
}
