#include "ui/mailpassword.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tovik::ui {

MailPasswordDialog::MailPasswordDialog(const QString& user, const QString& host, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("DLG_MAIL_PASSWORD"));
    setWindowTitle(QStringLiteral("SMTPサーバーのパスワード"));
    auto* layout = new QVBoxLayout(this);
    auto* text =
        new QLabel(QStringLiteral("%1 にユーザー %2 でログインするパスワードを入力してください。\n"
                                  "パスワードはデスクトップのキーリング（パスワードの保管場所）に"
                                  "保存され、予定の送信でも使われます。")
                       .arg(host, user),
                   this);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    layout->addWidget(text);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("TXT_PASSWORD"));
    m_password->setEchoMode(QLineEdit::Password);
    layout->addWidget(m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_password->setFocus();
}

QString MailPasswordDialog::password() const {
    return m_password->text();
}

std::optional<QString> askMailPassword(QWidget* parent, const QString& user, const QString& host) {
    MailPasswordDialog dialog(user, host, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.password().isEmpty())
        return std::nullopt;
    return dialog.password();
}

} // namespace tovik::ui
