// Windows has no close signals: the end of the session reaches the program through Qt's
// session handling (commitDataRequest), so there is nothing to install.
#include "closesignals.h"

namespace tovik::app {

CloseSignals::CloseSignals(QObject* parent) : QObject(parent) {}

CloseSignals::~CloseSignals() = default;

void CloseSignals::readSignal() {}

} // namespace tovik::app
