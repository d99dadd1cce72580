// Quits the application at the first paint event of a window or anything in it; the frame
// being painted is finished before the event loop sees the quit.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

namespace bench {

class FirstPaintQuit final : public QObject {
public:
    explicit FirstPaintQuit(QWidget* window) : m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_window)
            QCoreApplication::quit();
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace bench
