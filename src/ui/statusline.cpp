#include "ui/statusline.h"

#include <QLabel>

namespace tovik::ui {

void showStatusLine(QLabel* label, const QString& line) {
    label->setText(line);
    const bool cut = label->fontMetrics().horizontalAdvance(line) > label->contentsRect().width();
    label->setToolTip(cut ? line : QString());
}

} // namespace tovik::ui
