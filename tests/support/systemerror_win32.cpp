// The failing call's record on Windows: the GetLastError() code the file API would leave.
#include "support/systemerror.h"

#include <cerrno>
#include <windows.h>

namespace tovik::testing {

void setSystemError(int errnoValue) {
    DWORD code = ERROR_GEN_FAILURE;
    switch (errnoValue) {
    case ENOSPC:
        code = ERROR_DISK_FULL;
        break;
    case EACCES:
        code = ERROR_ACCESS_DENIED;
        break;
    case ENOENT:
        code = ERROR_FILE_NOT_FOUND;
        break;
    case EIO:
        code = ERROR_WRITE_FAULT;
        break;
    default:
        break;
    }
    SetLastError(code);
}

} // namespace tovik::testing
