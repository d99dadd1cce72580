// The per-user Run key through the Win32 registry calls (Windows only, no Qt).
#pragma once

#include <optional>
#include <string>

namespace tovik::app::win32 {

std::optional<std::wstring> readRunValue(const std::wstring& name);
bool writeRunValue(const std::wstring& name, const std::wstring& value);
bool removeRunValue(const std::wstring& name);

} // namespace tovik::app::win32
