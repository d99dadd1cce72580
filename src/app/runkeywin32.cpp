#include "runkeywin32.h"

#include <windows.h>

namespace tovik::app::win32 {

namespace {

const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Closes the key however the caller leaves.
class Key final {
public:
    explicit Key(REGSAM access) {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, access, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~Key() {
        if (m_key != nullptr)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

std::optional<std::wstring> readRunValue(const std::wstring& name) {
    const Key key(KEY_QUERY_VALUE);
    if (key.get() == nullptr)
        return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::wstring value(bytes / sizeof(wchar_t), L'\0');
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    while (!value.empty() && value.back() == L'\0')
        value.pop_back();
    return value;
}

bool writeRunValue(const std::wstring& name, const std::wstring& value) {
    const Key key(KEY_SET_VALUE);
    if (key.get() == nullptr)
        return false;
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

bool removeRunValue(const std::wstring& name) {
    const Key key(KEY_SET_VALUE);
    return key.get() != nullptr && RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
}

} // namespace tovik::app::win32
