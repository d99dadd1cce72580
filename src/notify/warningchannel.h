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

    virtual ~WarningChannel() = default;
    // A later warning of the same run takes the place of the earlier one.
    virtual void warn(const RunWarning& warning) = 0;
    // The entry's run was carried out, cancelled or postponed, or the entry deleted: its
    // warning has nothing to say.
    virtual void withdraw(quintptr key) = 0;
    // Called when the user chooses "今回は中止" or "15分延期" on a warning.
    void setCancelHandler(CancelHandler handler) { m_cancel = std::move(handler); }
    void setPostponeHandler(PostponeHandler handler) { m_postpone = std::move(handler); }

protected:
    void cancelRequested(quintptr key, qint64 minute) const {
        if (m_cancel)
            m_cancel(key, minute);
    }
    void postponeRequested(quintptr key, qint64 minute) const {
        if (m_postpone)
            m_postpone(key, minute);
    }

private:
    CancelHandler m_cancel;
    PostponeHandler m_postpone;
};

} // namespace tovik::notify
