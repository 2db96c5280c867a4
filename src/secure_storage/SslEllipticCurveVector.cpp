#include "SslEllipticCurveVector.h"

#include "LogCategories.h"

using namespace tessarovin;


SslEllipticCurveVector& SslEllipticCurveVector::operator+=(const QString& pCurveLongName)
{
	const auto curve = QSslEllipticCurve::fromLongName(pCurveLongName);
	if (!curve.isValid() || !curve.isTlsNamedCurve())
	{
		qCWarning(securestorage) << "EllipticCurve is not supported by OpenSSL and will be ignored:" << pCurveLongName;
		return *this;
	}

	append(curve);
	return *this;
}
