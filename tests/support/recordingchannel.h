// A warning channel for tests: remembers each warning and word, and lets the test choose
// "今回は中止".
#pragma once

#include "notify/warningchannel.h"

#include <QList>
#include <QStringList>
#include <vector>

namespace tovik::testing {

class RecordingChannel final : public notify::WarningChannel {
public:
    void warn(const notify::RunWarning& warning) override { warnings.push_back(warning); }
    void withdraw(quintptr key) override { withdrawn << key; }
    void tell(const QString& text) override { told << text; }
    QStringList texts() const {
        QStringList out;
        for (const auto& w : warnings)
            out << w.text;
        return out;
    }
    // The user cancels from the latest warning.
    void chooseCancel() const { cancelRequested(warnings.back().key, warnings.back().minute); }
    void choosePostpone() const { postponeRequested(warnings.back().key, warnings.back().minute); }

    std::vector<notify::RunWarning> warnings;
    QList<quintptr> withdrawn;
    QStringList told;
};

} // namespace tovik::testing
