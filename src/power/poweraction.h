// The power actions, in a header of their own so that the schedule layer can name them
// without linking the power routine or D-Bus.
#pragma once

namespace tovik::power {

// Log off, shut down and restart are numbered as Windows' ExitWindowsEx takes them and as
// the schedule's action codes have them; sleep and hibernate come after, with no flag of
// their own there.
enum class PowerAction { LogOff = 0, ShutDown = 1, Restart = 2, Sleep = 3, Hibernate = 4 };

// The action code that DoExitWindows takes.
constexpr int codeOf(PowerAction action) {
    return static_cast<int>(action);
}

} // namespace tovik::power
