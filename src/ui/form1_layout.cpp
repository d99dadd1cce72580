#include "form1.h"

namespace tovik::ui {
void Form1::buildUi() {}
} // namespace tovik::ui
