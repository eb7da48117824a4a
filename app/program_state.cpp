#include "app/program_state.hpp"

#include "settings/settings.hpp"

int exitRequested = 0;

void ResetProgramState() {
    settings = Settings{};
    exitRequested = 0;
}
