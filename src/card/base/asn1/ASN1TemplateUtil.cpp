#include "ASN1TemplateUtil.h"

#include <QList>

using namespace tessarovin;


QByteArray tessarovin::getOpenSslErrors()
{
	QList<QByteArray> errors;
	while (const unsigned long code = ERR_get_error())
	{
		// Two threads decode card data; the static buffer of ERR_error_string is not theirs to share.
		char text[256] = {};
		ERR_error_string_n(code, text, sizeof(text));
		errors << QByteArray(text);
	}
	return errors.join(QByteArrayLiteral(" | "));
}
