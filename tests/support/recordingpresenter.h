// Message boxes for tests: remembered, and answered as the test says.
#pragma once

#include "ui/presenter.h"

#include <QStringList>
#include <functional>

namespace tovik::testing {

class RecordingPresenter final : public ui::Presenter {
public:
    bool askYesNo(const QString& title, const QString& question) override {
        boxes << u"question|"_qs + title + u'|' + question;
        if (onQuestion)
            onQuestion();
        return answerYes;
    }
    void information(const QString& text) override { boxes << u"information|"_qs + text; }
    void message(const QString& text) override { boxes << u"message|"_qs + text; }
    void notice(const QString& text) override { boxes << u"notice|"_qs + text; }

    QStringList boxes;
    bool answerYes = true;
    std::function<void()> onQuestion;
};

} // namespace tovik::testing
