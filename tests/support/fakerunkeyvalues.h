// The per-user Run key's values in memory, for the start-at-login logic of Windows.
#pragma once

#include "app/loginstart.h"

#include <QMap>

namespace tovik::testing {

class FakeRunKeyValues final : public app::RunKeyValues {
public:
    explicit FakeRunKeyValues(QMap<QString, QString>& values) : m_values(values) {}
    std::optional<QString> read(const QString& name) const override {
        if (!m_values.contains(name))
            return std::nullopt;
        return m_values.value(name);
    }
    bool write(const QString& name, const QString& value) override {
        if (refuse)
            return false;
        m_values.insert(name, value);
        return true;
    }
    bool remove(const QString& name) override { return !refuse && m_values.remove(name) > 0; }

    bool refuse = false;

private:
    QMap<QString, QString>& m_values;
};

} // namespace tovik::testing
