// The values the mail layer passes around: the typed fields and why a mail did not go out.
#pragma once

#include <QString>
#include <optional>

namespace tovik::mail {

// The five mail fields exactly as typed in the window.
struct Message {
    QString server;
    QString to;
    QString from;
    QString subject;
    QString body;
};

enum class FailureKind {
    MissingFields, // server, recipient or sender empty: nothing is attempted
    Input,         // a field the send cannot use: the server line, an address, the subject
    Password,      // the login has no password: not stored, not typed, or no store to ask
    Refused,       // the server refused a step; code is its reply code
    Transfer,      // libcurl gave up (connection, TLS, time-out, login); code is its CURLcode
    Ended,         // cut short because the program is being ended
    Internal,      // out of memory or another runtime error
};

struct Failure {
    FailureKind kind = FailureKind::Internal;
    int code = 0; // the server's reply code or libcurl's; unused for the program's own findings
    QString description;
};

// What became of one send: nullopt when the server took the mail.
using Outcome = std::optional<Failure>;

} // namespace tovik::mail
