// decodeCp932 then encodeCp932: bytes that decode cleanly encode back to themselves, except
// for the characters CP932 holds twice (NEC row 13 / JIS X 0208 symbols, the NEC-selected
// IBM extensions ED/EE, and IBM extensions FA4A-FA5B), which encode to the preferred form.
#include "fuzzsupport.h"
#include "text/cp932.h"

#include <cstdint>

namespace {

bool isLeadByte(std::uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// A two-byte character that Windows (and iconv's CP932) maps to a code point with another,
// preferred CP932 form.
bool hasPreferredTwin(std::uint8_t lead, std::uint8_t trail) {
    const int code = lead << 8 | trail;
    return (code >= 0x8790 && code <= 0x879C) || lead == 0xED || lead == 0xEE ||
           (code >= 0xFA4A && code <= 0xFA5B);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    bool decodedOk = false;
    const QString text = tovik::text::decodeCp932(bytes, &decodedOk);
    bool encodedOk = false;
    const QByteArray back = tovik::text::encodeCp932(text, &encodedOk);
    if (!decodedOk)
        return 0;
    if (!encodedOk)
        tovik::fuzz::fail("cleanly decoded text does not encode");
    if (!tovik::text::fitsCp932(text))
        tovik::fuzz::fail("cleanly decoded text does not fit CP932");
    if (tovik::text::decodeCp932(back) != text)
        tovik::fuzz::fail("re-encoded bytes decode to another text");
    // Every twin is two bytes for two bytes, so the positions line up.
    if (back.size() != bytes.size())
        tovik::fuzz::fail("re-encoded length differs");
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        if (isLeadByte(b) && i + 1 < bytes.size()) {
            const auto t = static_cast<std::uint8_t>(bytes[i + 1]);
            if (!hasPreferredTwin(b, t) && (back[i] != bytes[i] || back[i + 1] != bytes[i + 1]))
                tovik::fuzz::fail("two-byte character re-encoded differently",
                                  QString::number(b << 8 | t, 16));
            ++i;
        } else if (back[i] != bytes[i]) {
            tovik::fuzz::fail("single byte re-encoded differently", QString::number(b, 16));
        }
    }
    return 0;
}
