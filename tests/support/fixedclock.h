// A clock for tests: it says whatever time the test set.
#pragma once

#include "text/clock.h"

namespace tovik::testing {

class FixedClock final : public text::Clock {
public:
    explicit FixedClock(QDateTime at = {}) : value(std::move(at)) {}
    QDateTime now() const override { return value; }

    QDateTime value;
};

} // namespace tovik::testing
