#pragma once

#include <QByteArray>
#include <QDebug>
#include <QList>

namespace tessarovin
{

class Oid;

// One node of a BER/DER TLV tree. A node is constructed exactly when its data is null;
// tag -1 marks a bare sequence of sibling elements without a tag of its own.
class ASN1Struct
{
	public:
		using DATA_TAG = int;

	private:
		int mClass;
		int mTag;
		QByteArray mData;
		QList<ASN1Struct> mChildren;

		ASN1Struct();
		void parse(const unsigned char* pData, long pLength, int pDepth);

	public:
		explicit ASN1Struct(const QByteArray& pDer);
		ASN1Struct(int pClass, int pTag, const QByteArray& pData);

		[[nodiscard]] int getClass() const;
		[[nodiscard]] int getTag() const;
		[[nodiscard]] const QByteArray& getContent() const;
		[[nodiscard]] const QList<ASN1Struct>& getChildren() const;

		[[nodiscard]] QByteArray encode() const;

		void append(const QByteArray& pDer);
		void append(DATA_TAG pTag, const QByteArray& pContent);
		void append(DATA_TAG pTag, const Oid& pOid);
		void append(DATA_TAG pTag, int pValue);
		void append(DATA_TAG pTag, char pValue);

		[[nodiscard]] QByteArray getData(int pClass, int pTag) const;
		[[nodiscard]] QByteArray getObject(int pClass, int pTag) const;
};

} // namespace tessarovin
