#pragma once

#include <QByteArray>

namespace tessarovin
{

// llhttp's name of an HTTP status ("NOT_FOUND" for 404); empty for a code its table lacks.
// llhttp_status_name itself aborts the process on such a code.
[[nodiscard]] QByteArray getHttpStatusName(int pStatus);

} // namespace tessarovin
