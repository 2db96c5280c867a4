#pragma once

#include <QList>
#include <QSslEllipticCurve>
#include <QString>

namespace tessarovin
{

// Elliptic curves in order of preference; only curves the TLS library offers as named curves are kept.
class SslEllipticCurveVector
	: public QList<QSslEllipticCurve>
{
	public:
		SslEllipticCurveVector& operator+=(const QString& pCurveLongName);
};

} // namespace tessarovin
