// Leaves the error record a failing system call would leave, in the platform's own terms.
#pragma once

namespace tovik::testing {

// errnoValue names the failure the POSIX way (EACCES, ENOSPC, EIO, ENOENT); on Windows the
// matching GetLastError() code is set instead.
void setSystemError(int errnoValue);

} // namespace tovik::testing
