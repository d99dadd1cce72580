// A power backend for tests: remembers the requested codes instead of acting on them.
#pragma once

#include "power/power.h"

#include <QList>

namespace tovik::testing {

class RecordingBackend final : public power::PowerBackend {
public:
    power::Outcome request(power::PowerAction action) override {
        m_codes.append(static_cast<int>(action));
        return m_outcome;
    }
    bool awaitingAnswer() const override { return m_awaiting; }

    // What every request returns from now on, and whether an answer is still awaited.
    void setOutcome(power::Outcome outcome) { m_outcome = outcome; }
    void setAwaitingAnswer(bool awaiting) { m_awaiting = awaiting; }

    // The codes of the requested actions (0 log off, 1 shut down, 2 restart), in order.
    const QList<int>& codes() const { return m_codes; }
    void clear() { m_codes.clear(); }

private:
    QList<int> m_codes;
    power::Outcome m_outcome;
    bool m_awaiting = false;
};

} // namespace tovik::testing
