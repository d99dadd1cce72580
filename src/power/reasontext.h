// Why a power request came to nothing, in the words of the log.
#pragma once

#include "power/power.h"

#include <QString>

namespace tovik::power {

QString reasonText(Outcome::Reason reason);

} // namespace tovik::power
