// Pictarn: a tray utility that saves every Print Screen as a scaled JPEG.
#include "app/app_loop.hpp"

int main() {
    AppStartup();
    for (;;) AppPass();
}
