// Addresses as people write them: display names, comma-separated lists, internationalised domains.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

namespace tovik::mail {

struct Mailbox {
    QString name;    // the display name without quotes; empty when none was written
    QString address; // local@domain, the domain in its ASCII (IDNA) form
};

// "a@example.jp", "山田 太郎 <taro@example.jp>", "\"Yamada, Taro\" <taro@例え.jp>" and lists
// of these separated by commas. nullopt with the problem (Japanese, one line) in *problem
// when a member is empty or malformed or the text holds a control character.
[[nodiscard]] std::optional<QList<Mailbox>> parseMailboxList(QStringView text,
                                                             QString* problem = nullptr);

// "To: ..." with its CR LF: plain addresses as typed, names as quoted strings or RFC 2047
// encoded words (a name too long for one line always so), folded between members, names and
// encoded words: no line is longer than 78 characters unless one address alone is.
QByteArray mailboxHeader(const QByteArray& name, const QList<Mailbox>& mailboxes);

} // namespace tovik::mail
