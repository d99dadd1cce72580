// Start at login on Windows: the per-user Run key.
#include "app/loginstart.h"
#include "app/runkeywin32.h"

namespace tovik::app {

namespace {

class Win32RunKeyValues final : public RunKeyValues {
public:
    std::optional<QString> read(const QString& name) const override {
        const auto value = win32::readRunValue(name.toStdWString());
        if (!value)
            return std::nullopt;
        return QString::fromStdWString(*value);
    }
    bool write(const QString& name, const QString& value) override {
        return win32::writeRunValue(name.toStdWString(), value.toStdWString());
    }
    bool remove(const QString& name) override { return win32::removeRunValue(name.toStdWString()); }
};

} // namespace

std::unique_ptr<LoginStart> platformLoginStart() {
    return std::make_unique<RunKeyLoginStart>(std::make_unique<Win32RunKeyValues>());
}

} // namespace tovik::app
