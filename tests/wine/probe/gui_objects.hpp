// Counting the GDI and USER objects and the memory of the probe's host
// process, from inside it.
#pragma once

#include "probe_exchange.hpp"

namespace probe {

// Fills ex.values (GuiObjectValue) and ex.text ("pen 2 brush 9 ...").
void CountGuiObjects(Exchange& ex);

}  // namespace probe
