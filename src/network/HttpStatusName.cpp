#include "HttpStatusName.h"

#include <llhttp.h>

using namespace tessarovin;

QByteArray tessarovin::getHttpStatusName(int pStatus)
{
	switch (pStatus)
	{
#define KENDRAWELL_HTTP_STATUS_NAME(NUM, NAME, STRING) case NUM: return QByteArrayLiteral(#STRING);
		HTTP_STATUS_MAP(KENDRAWELL_HTTP_STATUS_NAME)
#undef KENDRAWELL_HTTP_STATUS_NAME

		default:
			return QByteArray();
	}
}
