#include "asn1/ApplicationTemplates.h"

#include "asn1/ASN1Util.h"
#include "FileRef.h"
#include "LogCategories.h"

#include <algorithm>

using namespace tessarovin;

namespace tessarovin
{

ASN1_SEQUENCE(application_template_st) = {
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x0F, application_template_st, mApplicationIdentifier, ASN1_OCTET_STRING),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION | ASN1_TFLG_OPTIONAL, 0x10, application_template_st, mApplicationLabel, ASN1_PRINTABLESTRING),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION | ASN1_TFLG_OPTIONAL, 0x11, application_template_st, mFileReference, ASN1_OCTET_STRING),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION | ASN1_TFLG_OPTIONAL, 0x12, application_template_st, mCommandApdu, ASN1_OCTET_STRING),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION | ASN1_TFLG_OPTIONAL, 0x13, application_template_st, mDiscretionaryData, ASN1_OCTET_STRING),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION | ASN1_TFLG_OPTIONAL, 0x50, application_template_st, mUniformResourceLocator, ASN1_OCTET_STRING)
} ASN1_SEQUENCE_END(application_template_st)

ASN1_ITEM_TEMPLATE(applicationtemplate_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x01, ApplicationTemplate, application_template_st)
ASN1_ITEM_TEMPLATE_END(applicationtemplate_st)

template<>
application_template_st* decodeAsn1Object<application_template_st>(application_template_st** pObject, const unsigned char** pData, long pDataLength)
{
	return reinterpret_cast<application_template_st*>(ASN1_item_d2i(reinterpret_cast<ASN1_VALUE**>(pObject), pData, pDataLength, ASN1_ITEM_rptr(applicationtemplate_st)));
}


template<>
int encodeAsn1Object<application_template_st>(const application_template_st* pObject, unsigned char** pEncoded)
{
	return ASN1_item_i2d(reinterpret_cast<const ASN1_VALUE*>(pObject), pEncoded, ASN1_ITEM_rptr(applicationtemplate_st));
}


template<>
void freeAsn1Object<application_template_st>(application_template_st* pObject)
{
	ASN1_item_free(reinterpret_cast<ASN1_VALUE*>(pObject), ASN1_ITEM_rptr(applicationtemplate_st));
}


DEFINE_STACK_OF(application_template_st)
using applicationtemplates_st = STACK_OF(application_template_st);

ASN1_ITEM_TEMPLATE(applicationtemplates_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_SET_OF, 0, ApplicationTemplates, applicationtemplate_st)
ASN1_ITEM_TEMPLATE_END(applicationtemplates_st)

template<>
applicationtemplates_st* decodeAsn1Object<applicationtemplates_st>(applicationtemplates_st** pObject, const unsigned char** pData, long pDataLength)
{
	return reinterpret_cast<applicationtemplates_st*>(ASN1_item_d2i(reinterpret_cast<ASN1_VALUE**>(pObject), pData, pDataLength, ASN1_ITEM_rptr(applicationtemplates_st)));
}


template<>
void freeAsn1Object<applicationtemplates_st>(applicationtemplates_st* pObject)
{
	ASN1_item_free(reinterpret_cast<ASN1_VALUE*>(pObject), ASN1_ITEM_rptr(applicationtemplates_st));
}


} // namespace tessarovin


QByteArray application_template_st::getAid() const
{
	return Asn1OctetStringUtil::getValue(mApplicationIdentifier);
}


ApplicationTemplates::ApplicationTemplates(const QByteArray& pBytes, const QList<QSharedPointer<const application_template_st>>& pApplicationTemplates)
	: mContentBytes(pBytes)
	, mApplicationTemplates(pApplicationTemplates)
{
}


QSharedPointer<ApplicationTemplates> ApplicationTemplates::decode(const QByteArray& pBytes)
{
	// EF.DIR holds the templates back to back; wrapped into a SET they decode in one go.
	const QByteArray wrapped = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SET, pBytes, true);
	const auto templates = decodeObject<applicationtemplates_st>(wrapped);
	if (templates == nullptr)
	{
		return QSharedPointer<ApplicationTemplates>();
	}

	QList<QSharedPointer<const application_template_st>> list;
	for (int i = 0; i < sk_application_template_st_num(templates.data()); ++i)
	{
		const application_template_st* entry = sk_application_template_st_value(templates.data(), i);
		const auto record = decodeObject<application_template_st>(encodeObject(entry));
		if (record == nullptr)
		{
			return QSharedPointer<ApplicationTemplates>();
		}

		qCDebug(card) << "Parsed ApplicationTemplate:" << FileRef(FileRef::APPLICATION, record->getAid(), QByteArray());
		list << record;
	}

	return QSharedPointer<ApplicationTemplates>(new ApplicationTemplates(pBytes, list));
}


const QByteArray& ApplicationTemplates::getContentBytes() const
{
	return mContentBytes;
}


const QList<QSharedPointer<const application_template_st>>& ApplicationTemplates::getApplicationTemplates() const
{
	return mApplicationTemplates;
}


bool ApplicationTemplates::contains(const QByteArray& pAid) const
{
	return std::any_of(mApplicationTemplates.cbegin(), mApplicationTemplates.cend(), [&pAid](const auto& pTemplate) {
			return pTemplate->getAid() == pAid;
		});
}
