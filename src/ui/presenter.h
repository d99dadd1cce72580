// Message boxes, behind an interface so tests can answer them.
#pragma once

#include <QString>

class QWidget;

namespace tovik::ui {

class Presenter {
public:
    virtual ~Presenter() = default;
    // Yes/No with the question icon, Yes the default; true for Yes.
    virtual bool askYesNo(const QString& title, const QString& question) = 0;
    // OK with the information icon, titled with the application title.
    virtual void information(const QString& text) = 0;
    // OK alone, titled with the application title.
    virtual void message(const QString& text) = 0;
    // No box, for when nobody may be there to answer one (a close the system asked for): a
    // line on standard error, and a desktop notification where a service runs.
    virtual void notice(const QString& text) = 0;
};

// Modal QMessageBox over the given window.
class MessageBoxPresenter final : public Presenter {
public:
    explicit MessageBoxPresenter(QWidget* parent) : m_parent(parent) {}
    bool askYesNo(const QString& title, const QString& question) override;
    void information(const QString& text) override;
    void message(const QString& text) override;
    void notice(const QString& text) override;

private:
    QWidget* m_parent;
};

} // namespace tovik::ui
