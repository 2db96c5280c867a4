#pragma once

#include <QList>
#include <QSslCipher>
#include <QString>

namespace tessarovin
{

// Cipher suites in order of preference; names the TLS library does not know are left out.
class SslCipherList
	: public QList<QSslCipher>
{
	public:
		SslCipherList& operator+=(const QString& pCipherName);
};

} // namespace tessarovin
