// CP932 parts shared by both code-page back ends (iconv on Linux, the Win32 API on Windows).
#include "cp932.h"

namespace tovik::text {

bool fitsCp932(const QString& text) {
    bool ok = true;
    encodeCp932(text, &ok);
    return ok;
}

} // namespace tovik::text
