// What became of each run while Tovik runs: cancelled ("今回は中止"), postponed ("15分延期"),
// carried out or passed over. Nothing is stored.
#pragma once

#include "text/wallminute.h"

#include <QtGlobal>
#include <compare>
#include <functional>
#include <map>
#include <optional>

namespace tovik::scheduler {

using text::WallMinute;

// One run: an entry (its row key, ScheduleRows::rowKey) at one of its due minutes. A run
// keeps its due minute as its name when it is postponed.
struct RunId {
    quintptr key = 0;
    WallMinute due;
    auto operator<=>(const RunId&) const = default;
};

class RunRecord final {
public:
    static constexpr int kMaxPostponements = 3;
    static constexpr qint64 kPostponeMinutes = 15;

    void cancel(const RunId& run) { m_runs[run].cancelled = true; }
    bool cancelled(const RunId& run) const;
    // The minute the run moves to; nullopt when it was postponed as often as it may be.
    std::optional<WallMinute> postpone(const RunId& run);
    int postponements(const RunId& run) const;
    // Carried out, or passed over by a clock that jumped: never due again, even when the
    // same wall-clock minute comes back.
    void finish(const RunId& run) { m_runs[run].finished = true; }
    bool finished(const RunId& run) const;

    // Neither cancelled, postponed nor finished: the run happens at its due minute.
    bool untouched(const RunId& run) const { return m_runs.find(run) == m_runs.end(); }
    // The key's postponed runs that are still to come (or still being carried out: except),
    // with the minute each now happens in.
    void forEachPostponed(quintptr key, const std::optional<RunId>& except,
                          const std::function<void(const RunId&, WallMinute)>& visit) const;

    // The row is gone or was replaced; its key may come back for another entry.
    void forget(quintptr key);
    // Runs a day older than the latest minute seen can matter no more: a clock put back
    // by more than that repeats them.
    void dropBefore(WallMinute minute);
    bool empty() const { return m_runs.empty(); }

private:
    struct State {
        bool cancelled = false;
        bool finished = false;
        int postponements = 0;
    };
    std::map<RunId, State> m_runs;
};

} // namespace tovik::scheduler
