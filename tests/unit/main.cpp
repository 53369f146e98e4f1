/* The unit runner: starts the stand-in shell on this thread in a fresh shell
   folder, runs every test, and takes the shell down again. */
#include "host.h"
#include "own_desktop.h"
#include "settings/options.h"
#include "unit_support.h"

#include <gtest/gtest.h>
#include <stdio.h>

int main(int argc, char **argv) {
    int exitCode;
    if (runOnOwnDesktop(&exitCode)) return exitCode;
    testing::InitGoogleTest(&argc, argv);
    if (!unit::createShellFolder()) {
        fprintf(stderr, "cannot create a shell folder under the temp folder\n");
        return 2;
    }
    unit::removeSettingsFiles();

    HostOptions options;
    options.shellDir = unit::shellFolder().c_str();
    options.popupMenus = false;
    if (!hostStart(options)) {
        fprintf(stderr, "the stand-in shell did not start\n");
        return 2;
    }
    int result = RUN_ALL_TESTS();
    hostStop();
    unit::removeShellFolder();
    return result;
}
