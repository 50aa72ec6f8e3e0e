#pragma once

#include "shell/ui/StartUpFlow.h"

namespace kavro {

// The whole program: start-up, the main window and its message loop. When the run ended asking
// for it (after a restore or an import changed the catalogue), the program starts itself again,
// once the instance lock of this run has been let go. Returns the exit code, always 0.
int RunKavroProgram(int argc, char** argv, StartUpFlow::Seams seams = {});

} // namespace kavro
