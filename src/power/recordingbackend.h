// A power backend for tests: remembers the requested codes instead of acting on them.
#pragma once

#include "power/power.h"

#include <QList>

namespace tovik::power {

class RecordingBackend final : public PowerBackend {
public:
    Outcome request(int code) override {
        m_codes.append(code);
        return m_outcome;
    }
    bool awaitingAnswer() const override { return m_awaiting; }

    // What every request returns from now on, and whether an answer is still awaited.
    void setOutcome(Outcome outcome) { m_outcome = std::move(outcome); }
    void setAwaitingAnswer(bool awaiting) { m_awaiting = awaiting; }

    const QList<int>& codes() const { return m_codes; }
    void clear() { m_codes.clear(); }

    // Installs a fresh recorder as the current backend; it lives until replaced.
    static RecordingBackend& install();

private:
    QList<int> m_codes;
    Outcome m_outcome;
    bool m_awaiting = false;
};

} // namespace tovik::power
