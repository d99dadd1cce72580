// The file error causes from GetLastError(): Windows file calls do not set errno.
#include "syserror.h"

#include <windows.h>

namespace tovik::text::syserror {

void clear() {
    SetLastError(ERROR_SUCCESS);
}

Cause last() {
    switch (GetLastError()) {
    case ERROR_SUCCESS:
        return Cause::None;
    case ERROR_FILE_NOT_FOUND:
        return Cause::NotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
        return Cause::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return Cause::Denied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Cause::DiskFull;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
        return Cause::DeviceIo;
    default:
        return Cause::Other;
    }
}

} // namespace tovik::text::syserror
