// The password box the test button shows when the secret store has no password for the login.
#pragma once

#include <QDialog>
#include <optional>

class QLineEdit;

namespace tovik::ui {

class MailPasswordDialog final : public QDialog {
    Q_OBJECT

public:
    MailPasswordDialog(const QString& user, const QString& host, QWidget* parent = nullptr);
    QString password() const;

private:
    QLineEdit* m_password = nullptr;
};

// Shows the box modally; nullopt when cancelled.
std::optional<QString> askMailPassword(QWidget* parent, const QString& user, const QString& host);

} // namespace tovik::ui
