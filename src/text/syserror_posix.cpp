// The file error causes from errno.
#include "syserror.h"

#include <cerrno>

namespace tovik::text::syserror {

void clear() {
    errno = 0;
}

Cause last() {
    switch (errno) {
    case 0:
        return Cause::None;
    case ENOENT:
        return Cause::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return Cause::Denied;
    case ENOSPC:
    case EDQUOT:
        return Cause::DiskFull;
    case EIO:
        return Cause::DeviceIo;
    default:
        return Cause::Other;
    }
}

} // namespace tovik::text::syserror
