// Why the last file call of this thread failed, read from the platform's own error record.
#pragma once

namespace tovik::text::syserror {

enum class Cause { None, NotFound, PathNotFound, Denied, DiskFull, DeviceIo, Other };

// Forgets the last error, so that a failure without one reads as Cause::None.
void clear();
// errno on Linux, GetLastError() on Windows.
Cause last();

} // namespace tovik::text::syserror
