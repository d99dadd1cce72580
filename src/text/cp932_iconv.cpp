// CP932 through iconv (glibc), the Linux side of the code-page pick.
#include "cp932.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string>

namespace tovik::text {
namespace {

// One conversion descriptor per call: iconv_t is stateful and the conversions are
// not hot enough to justify caching across threads.
class Iconv final {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    // iconv_open's failure value is (iconv_t)-1 by its definition.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

} // namespace

QString decodeCp932(const QByteArray& bytes, bool* ok) {
    if (ok)
        *ok = true;
    Iconv cd("UTF-16LE", "CP932");
    if (!cd.valid()) {
        if (ok)
            *ok = false;
        return QString::fromLatin1(bytes);
    }
    std::u16string out;
    out.resize(static_cast<std::size_t>(bytes.size()) + 8);
    char* in = const_cast<char*>(bytes.constData());
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    char* outBase = reinterpret_cast<char*>(out.data());
    char* outPtr = outBase;
    std::size_t outLeft = out.size() * sizeof(char16_t);
    while (inLeft > 0) {
        const std::size_t r = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        if (r != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            const auto used = static_cast<std::size_t>(outPtr - outBase);
            out.resize(out.size() * 2);
            outBase = reinterpret_cast<char*>(out.data());
            outPtr = outBase + used;
            outLeft = out.size() * sizeof(char16_t) - used;
            continue;
        }
        // EILSEQ or EINVAL (truncated sequence at the end): mark one byte and go on.
        if (ok)
            *ok = false;
        if (outLeft < sizeof(char16_t)) {
            const auto used = static_cast<std::size_t>(outPtr - outBase);
            out.resize(out.size() * 2);
            outBase = reinterpret_cast<char*>(out.data());
            outPtr = outBase + used;
            outLeft = out.size() * sizeof(char16_t) - used;
        }
        const char16_t replacement = 0xFFFD;
        std::memcpy(outPtr, &replacement, sizeof replacement);
        outPtr += sizeof replacement;
        outLeft -= sizeof replacement;
        ++in;
        --inLeft;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    const auto units = static_cast<qsizetype>((outPtr - outBase) / 2);
    return QString(reinterpret_cast<const QChar*>(out.data()), units);
}

QByteArray encodeCp932(const QString& text, bool* ok) {
    if (ok)
        *ok = true;
    QByteArray out;
    Iconv cd("CP932", "UTF-16LE");
    if (!cd.valid()) {
        if (ok)
            *ok = false;
        return text.toLatin1();
    }
    out.resize(text.size() * 2 + 8);
    char* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    std::size_t inLeft = static_cast<std::size_t>(text.size()) * 2;
    char* outPtr = out.data();
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    auto grow = [&] {
        const auto used = outPtr - out.data();
        out.resize(out.size() * 2 + 8);
        outPtr = out.data() + used;
        outLeft = static_cast<std::size_t>(out.size() - used);
    };
    while (inLeft > 0) {
        const std::size_t r = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        if (r != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            grow();
            continue;
        }
        // A character CP932 has no form for (or a lone surrogate): one '?' for it.
        if (ok)
            *ok = false;
        if (outLeft < 1)
            grow();
        *outPtr++ = '?';
        --outLeft;
        const char16_t unit = *reinterpret_cast<const char16_t*>(in);
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && inLeft >= 4;
        const std::size_t skip = pair ? 4 : 2;
        in += skip;
        inLeft -= skip;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(outPtr - out.data());
    return out;
}

} // namespace tovik::text
