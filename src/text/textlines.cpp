#include "textlines.h"

#include "cp932.h"

#include <QStringDecoder>

namespace tovik::text {

namespace {
constexpr char kBom[] = "\xEF\xBB\xBF";
}

QString decodeFileText(const QByteArray& bytes, bool* ok) {
    if (bytes.startsWith(kBom)) {
        const QByteArray rest = bytes.mid(3);
        // The decoder's own error flag: a U+FFFD written in the file must not hide a
        // byte that was replaced elsewhere. A second mark is text (U+FEFF) and is kept, or
        // it would be lost on the next save.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                         QStringDecoder::Flag::ConvertInitialBom);
        QString decoded = decoder(rest);
        if (ok)
            *ok = !decoder.hasError();
        return decoded;
    }
    return decodeCp932(bytes, ok);
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QByteArray encodeSettingsText(const QString& text) {
    bool ok = true;
    QByteArray bytes = encodeCp932(text, &ok);
    if (ok)
        return bytes;
    return QByteArray(kBom) + text.toUtf8();
}

QString normalizeLineEnds(const QString& text, QStringView lineEnd) {
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            out += lineEnd;
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += lineEnd;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace tovik::text
