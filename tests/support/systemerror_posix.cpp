// The failing call's record on Linux: errno itself.
#include "support/systemerror.h"

#include <cerrno>

namespace tovik::testing {

void setSystemError(int errnoValue) {
    errno = errnoValue;
}

} // namespace tovik::testing
