// The values the mail layer passes around: the typed fields and a failure's number and text.
#pragma once

#include <QString>

namespace tovik::mail {

// The five mail fields exactly as typed in the window.
struct Message {
    QString server;
    QString to;
    QString from;
    QString subject;
    QString body;
};

// What goes after "メールを送信できませんでした::" in the log.
struct Failure {
    int code = 0;
    QString description;
};

} // namespace tovik::mail
