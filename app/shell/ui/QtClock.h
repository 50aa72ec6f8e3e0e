#pragma once

#include "platform/SystemClock.h"

namespace kavro {

// The real clock of the widget program: its processEvents runs pending Qt events.
SystemClock makeQtClock();

} // namespace kavro
