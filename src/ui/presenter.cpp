#include "presenter.h"

#include "app/versioninfo.h"
#include "notify/desktopchannel.h"
#include "text/textlines.h"

#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

namespace tovik::ui {

namespace {

// Qt's own Japanese catalogue may be missing or word the buttons differently.
void setButtonTexts(QMessageBox& box) {
    if (auto* b = box.button(QMessageBox::Yes))
        b->setText(QStringLiteral("はい(&Y)"));
    if (auto* b = box.button(QMessageBox::No))
        b->setText(QStringLiteral("いいえ(&N)"));
    if (auto* b = box.button(QMessageBox::Ok))
        b->setText(QStringLiteral("OK"));
}

// The prompt's CR LF line breaks, as the box shows them.
QString boxText(const QString& text) {
    return text::normalizeLineEnds(text, u"\n");
}

int run(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, title, boxText(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    setButtonTexts(box);
    return box.exec();
}

} // namespace

bool MessageBoxPresenter::askYesNo(const QString& title, const QString& question) {
    return run(m_parent, QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Yes) == QMessageBox::Yes;
}

void MessageBoxPresenter::information(const QString& text) {
    run(m_parent, QMessageBox::Information, app::kApplicationTitle, text, QMessageBox::Ok,
        QMessageBox::Ok);
}

void MessageBoxPresenter::notice(const QString& text) {
    const QString line = text::normalizeLineEnds(text, u" ") + u'\n';
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    notify::showDesktopNotice(text);
}

void MessageBoxPresenter::message(const QString& text) {
    run(m_parent, QMessageBox::NoIcon, app::kApplicationTitle, text, QMessageBox::Ok,
        QMessageBox::Ok);
}

} // namespace tovik::ui
