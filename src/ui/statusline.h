// LB_STATUS: the last log line, all of it within reach even where the strip cuts it.
#pragma once

#include <QString>

class QLabel;

namespace tovik::ui {

// Sets the text; where it is wider than the label, the whole line is also its tooltip.
void showStatusLine(QLabel* label, const QString& line);

} // namespace tovik::ui
