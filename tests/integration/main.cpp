/* The integration runner: starts the stand-in shell in this process (with a fresh folder
   as the shell's own, and menus recorded rather than popped up), runs the tests on this
   thread, which owns the shell's windows, and stops the shell again. */
#include "harness.h"
#include "host.h"
#include "own_desktop.h"

int main(int argc, char **argv) {
    int exitCode;
    if (runOnOwnDesktop(&exitCode)) return exitCode;
    ::testing::InitGoogleTest(&argc, argv);
    std::string folder = makeTempFolder("nightjar-shell");
    setShellDir(folder);
    HostOptions options;
    options.shellDir = folder.c_str();
    options.logPath = getenv("WARBLE_EVENT_LOG"); /* optional, for a look at a failing run */
    options.popupMenus = false;
    if (!hostStart(options)) {
        fprintf(stderr, "cannot start the shell\n");
        return 1;
    }
    int result = RUN_ALL_TESTS();
    hostStop();
    removeFolder(folder);
    return result;
}
