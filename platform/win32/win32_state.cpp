// The one instance of the Windows backend's state.
#include "win32_state.hpp"

namespace platform {

Win32State& State() {
    static Win32State state;
    return state;
}

}  // namespace platform
