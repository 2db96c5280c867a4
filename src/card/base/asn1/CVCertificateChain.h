#pragma once

#include "asn1/CVCertificate.h"

#include <QByteArray>
#include <QList>
#include <QSharedPointer>

#include <functional>

namespace tessarovin
{

// Certificates from the root side to the terminal certificate. Valid when it ends in a
// terminal certificate issued by a DV; an invalid list makes an empty chain.
class CVCertificateChain
	: public QList<QSharedPointer<const cvcertificate_st>>
{
	public:
		// DER encodings of the productive CV root certificates.
		using RootSource = std::function<QList<QByteArray>()>;

		// The security configuration provides the productive roots; the card layer cannot
		// depend on it, so the source is set from above. Without one no chain is productive.
		static void setProductiveRootSource(const RootSource& pSource);

		CVCertificateChain() = default;
		explicit CVCertificateChain(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates);

		[[nodiscard]] bool isValid() const;
		// Null when the chain is too short to hold one.
		[[nodiscard]] QSharedPointer<const cvcertificate_st> getTerminalCvc() const;
		[[nodiscard]] QSharedPointer<const cvcertificate_st> getDvCvc() const;
		[[nodiscard]] bool isProductive() const;
};

} // namespace tessarovin
