// Warnings on a first channel that can fail (the desktop's notifications), and on a
// fallback (our own window) for each warning the first one could not show.
#pragma once

#include "notify/warningchannel.h"

#include <map>
#include <memory>

namespace tovik::notify {

class FallbackChannel final : public WarningChannel {
public:
    FallbackChannel(std::unique_ptr<WarningChannel> first,
                    std::unique_ptr<WarningChannel> fallback);

    void warn(const RunWarning& warning) override;
    void withdraw(quintptr key) override;
    void tell(const QString& text) override;

private:
    void outcome(const RunWarning& warning, bool shown);

    std::unique_ptr<WarningChannel> m_first;
    std::unique_ptr<WarningChannel> m_fallback;
    // Each entry's latest warning: an outcome of an older or withdrawn one changes nothing.
    std::map<quintptr, RunWarning> m_latest;
};

} // namespace tovik::notify
