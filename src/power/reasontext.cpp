#include "power/reasontext.h"

namespace tovik::power {

QString reasonText(Outcome::Reason reason) {
    switch (reason) {
    case Outcome::Reason::None:
        break;
    case Outcome::Reason::Refused:
        return QStringLiteral("システムが許可しませんでした");
    case Outcome::Reason::NoAnswer:
        return QStringLiteral("システムから応答がありませんでした");
    case Outcome::Reason::NoSystemBus:
        return QStringLiteral("システムバスに接続できませんでした");
    case Outcome::Reason::NoSessionBus:
        return QStringLiteral("セッションバスに接続できませんでした");
    case Outcome::Reason::NoSessionManager:
        return QStringLiteral("ログオフを受け付けるセッションマネージャーが見つかりませんでした");
    case Outcome::Reason::NoPrivilege:
        return QStringLiteral("シャットダウンの特権を有効にできませんでした");
    case Outcome::Reason::UnknownAction:
        return QStringLiteral("不明な動作です");
    }
    return {};
}

} // namespace tovik::power
