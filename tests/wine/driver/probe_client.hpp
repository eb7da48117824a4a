// Runs one probe request inside the process that owns a window, through
// pictarn-probe.dll (next to the driver) hooked onto that window's thread.
#pragma once

#include <windows.h>

#include <string>

#include "../probe/probe_exchange.hpp"

namespace driver {

// Fills ex.window from target; returns false with a reason when the probe
// could not run or reported failure.
bool RunProbe(HWND target, probe::Exchange& ex, std::string& reason);

}  // namespace driver
