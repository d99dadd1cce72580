// A power backend for tests: remembers the requested codes instead of acting on them.
#pragma once

#include "power/power.h"

#include <QList>

namespace tovik::power {

class RecordingBackend final : public PowerBackend {
public:
    void request(int code) override { m_codes.append(code); }

    const QList<int>& codes() const { return m_codes; }
    void clear() { m_codes.clear(); }

    // Installs a fresh recorder as the current backend; it lives until replaced.
    static RecordingBackend& install();

private:
    QList<int> m_codes;
};

} // namespace tovik::power
