// CP932 through the Win32 code-page API (code page 932), the Windows side of the pick.
#include "cp932.h"

#include <windows.h>

#include <string>

namespace tovik::text {

namespace {

constexpr UINT kCodePage = 932;

bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Appends the UTF-16 form of bytes; false when the API refuses them as invalid.
bool decodeStrict(const char* bytes, int size, std::wstring& out) {
    if (size == 0)
        return true;
    const int units = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (units <= 0)
        return false;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(units));
    MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, size, out.data() + at, units);
    return true;
}

// Encodes one piece without best-fit look-alikes; false when a character had no CP932 form.
bool encodeStrict(const wchar_t* units, int size, std::string& out) {
    if (size == 0)
        return true;
    BOOL usedDefault = FALSE;
    const int bytes = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, units, size, nullptr, 0,
                                          "?", &usedDefault);
    if (bytes <= 0 || usedDefault)
        return false;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(bytes));
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, units, size, out.data() + at, bytes, "?",
                        nullptr);
    return true;
}

} // namespace

QString decodeCp932(const QByteArray& bytes, bool* ok) {
    if (ok)
        *ok = true;
    std::wstring out;
    if (decodeStrict(bytes.constData(), static_cast<int>(bytes.size()), out))
        return QString::fromWCharArray(out.data(), static_cast<qsizetype>(out.size()));
    // Something is not CP932: character by character, one U+FFFD per byte that starts no
    // valid character, going on with the next byte.
    out.clear();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const int length = isLeadByte(data[i]) && i + 1 < size ? 2 : 1;
        if (decodeStrict(bytes.constData() + i, length, out)) {
            i += length;
            continue;
        }
        if (ok)
            *ok = false;
        out.push_back(L'\xFFFD');
        ++i;
    }
    return QString::fromWCharArray(out.data(), static_cast<qsizetype>(out.size()));
}

QByteArray encodeCp932(const QString& text, bool* ok) {
    if (ok)
        *ok = true;
    const std::wstring units = text.toStdWString();
    std::string out;
    if (encodeStrict(units.data(), static_cast<int>(units.size()), out))
        return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
    // One '?' per character (a surrogate pair is one) that CP932 cannot hold.
    out.clear();
    const std::size_t size = units.size();
    for (std::size_t i = 0; i < size;) {
        const wchar_t unit = units[i];
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < size &&
                          units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
        const int length = pair ? 2 : 1;
        const bool lone = !pair && unit >= 0xD800 && unit <= 0xDFFF;
        if (lone || !encodeStrict(units.data() + i, length, out)) {
            if (ok)
                *ok = false;
            out.push_back('?');
        }
        i += static_cast<std::size_t>(length);
    }
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

} // namespace tovik::text
