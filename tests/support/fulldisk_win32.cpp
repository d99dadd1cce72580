// No small disk to mount on Windows: the full-disk tests skip there.
#include "support/fulldisk.h"

namespace tovik::testing {

FullDisk::FullDisk() = default;
FullDisk::~FullDisk() = default;

} // namespace tovik::testing
