// Last-resort limit on a phase of the run that the event loop cannot bound by itself: a plug-in
// that blocks the main thread stops every timer, so the limit is an alarm signal that prints one
// line and ends the process (the Xvfb server dies with it). Process-wide; main thread only.
#pragma once

#include "tools/nvhost/ExitCodes.h"

namespace nvhost {

// Arms the alarm: after `seconds` the process writes "nvhost: <message>" to stdout and exits with
// `code`. Re-arming replaces the previous alarm. `message` must be a string literal (the alarm
// handler reads it).
void armWatchdog(unsigned seconds, ExitCode code, const char* message);

void disarmWatchdog();

} // namespace nvhost
