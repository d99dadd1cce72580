// Where the warning of a coming run reaches the user, with a way to cancel that run.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <utility>

namespace tovik::notify {

struct RunWarning {
    quintptr key = 0;        // the entry's row key
    qint64 minute = 0;       // the due minute on the wall-clock scale
    QString text;            // "5分後にシャットダウンします（…）"
    QDateTime start;         // the due minute's start, for a countdown
    bool canPostpone = true; // "15分延期" is offered beside "今回は中止"
};

class WarningChannel {
public:
    using CancelHandler = std::function<void(quintptr key, qint64 minute)>;
    using PostponeHandler = CancelHandler;
    // Whether a warning reached the user, from channels that can fail to show one.
    using OutcomeHandler = std::function<void(const RunWarning& warning, bool shown)>;

    virtual ~WarningChannel() = default;
    // A later warning of the same run takes the place of the earlier one.
    virtual void warn(const RunWarning& warning) = 0;
    // The entry's run was carried out, cancelled or postponed, or the entry deleted: its
    // warning has nothing to say.
    virtual void withdraw(quintptr key) = 0;
    // A word that needs no answer and must outlast the program. A channel that goes with
    // the program says nothing.
    virtual void tell(const QString& text) { static_cast<void>(text); }
    // Called when the user chooses "今回は中止" or "15分延期" on a warning.
    void setCancelHandler(CancelHandler handler) { m_cancel = std::move(handler); }
    void setPostponeHandler(PostponeHandler handler) { m_postpone = std::move(handler); }
    void setOutcomeHandler(OutcomeHandler handler) { m_outcome = std::move(handler); }

protected:
    void cancelRequested(quintptr key, qint64 minute) const {
        if (m_cancel)
            m_cancel(key, minute);
    }
    void postponeRequested(quintptr key, qint64 minute) const {
        if (m_postpone)
            m_postpone(key, minute);
    }
    void warningOutcome(const RunWarning& warning, bool shown) const {
        if (m_outcome)
            m_outcome(warning, shown);
    }

private:
    CancelHandler m_cancel;
    PostponeHandler m_postpone;
    OutcomeHandler m_outcome;
};

} // namespace tovik::notify
