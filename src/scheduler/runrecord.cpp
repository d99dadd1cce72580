#include "runrecord.h"

#include <limits>

namespace tovik::scheduler {

std::optional<WallMinute> RunRecord::postpone(const RunId& run) {
    State& state = m_runs[run];
    if (state.postponements >= kMaxPostponements || state.cancelled || state.finished)
        return std::nullopt;
    ++state.postponements;
    return run.due.plus(kPostponeMinutes * state.postponements);
}

int RunRecord::postponements(const RunId& run) const {
    const auto it = m_runs.find(run);
    return it == m_runs.end() ? 0 : it->second.postponements;
}

bool RunRecord::cancelled(const RunId& run) const {
    const auto it = m_runs.find(run);
    return it != m_runs.end() && it->second.cancelled;
}

bool RunRecord::finished(const RunId& run) const {
    const auto it = m_runs.find(run);
    return it != m_runs.end() && it->second.finished;
}

void RunRecord::forEachPostponed(quintptr key, const std::optional<RunId>& except,
                                 const std::function<void(const RunId&, WallMinute)>& visit) const {
    for (auto it = m_runs.lower_bound({key, WallMinute(std::numeric_limits<qint64>::min())});
         it != m_runs.end() && it->first.key == key; ++it) {
        const State& state = it->second;
        if (state.postponements == 0 || state.cancelled || (state.finished && it->first != except))
            continue;
        visit(it->first, it->first.due.plus(kPostponeMinutes * state.postponements));
    }
}

void RunRecord::forget(quintptr key) {
    std::erase_if(m_runs, [key](const auto& run) { return run.first.key == key; });
}

void RunRecord::dropBefore(WallMinute minute) {
    const WallMinute oldest = minute.plus(-WallMinute::kPerDay);
    std::erase_if(m_runs, [oldest](const auto& run) {
        return run.first.due.plus(kPostponeMinutes * run.second.postponements) < oldest;
    });
}

} // namespace tovik::scheduler
