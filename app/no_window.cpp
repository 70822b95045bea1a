// The installer of a build without the window framework (the Windows build until its window back
// end comes): the job runs with -silent=true only.
#include "app/window_run.h"

#include <cstdio>

int RunWindow() {
    std::fprintf(stderr, "KelvoKidsInstaller: this build has no window yet; -silent=true installs without one.\n");
    return 1;
}
