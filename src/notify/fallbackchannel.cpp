#include "fallbackchannel.h"

namespace tovik::notify {

FallbackChannel::FallbackChannel(std::unique_ptr<WarningChannel> first,
                                 std::unique_ptr<WarningChannel> fallback)
    : m_first(std::move(first)), m_fallback(std::move(fallback)) {
    for (WarningChannel* channel : {m_first.get(), m_fallback.get()}) {
        channel->setCancelHandler(
            [this](quintptr key, qint64 minute) { cancelRequested(key, minute); });
        channel->setPostponeHandler(
            [this](quintptr key, qint64 minute) { postponeRequested(key, minute); });
    }
    m_first->setOutcomeHandler(
        [this](const RunWarning& warning, bool shown) { outcome(warning, shown); });
}

void FallbackChannel::warn(const RunWarning& warning) {
    m_latest[warning.key] = warning;
    // Always the first channel first: once its service is back, it is used again.
    m_first->warn(warning);
}

void FallbackChannel::withdraw(quintptr key) {
    m_latest.erase(key);
    m_first->withdraw(key);
    m_fallback->withdraw(key);
}

void FallbackChannel::tell(const QString& text) {
    // The fallback window ends with the program: it could not keep the word.
    m_first->tell(text);
}

void FallbackChannel::outcome(const RunWarning& warning, bool shown) {
    const auto latest = m_latest.find(warning.key);
    if (latest == m_latest.end() || latest->second.minute != warning.minute ||
        latest->second.text != warning.text)
        return;
    if (shown)
        m_fallback->withdraw(warning.key); // an earlier warning of it may be there
    else
        m_fallback->warn(warning);
}

} // namespace tovik::notify
