/* Window searches, the plugin's for Winamp among them, see the windows of one desktop:
   each runner runs its tests on a desktop of its own, so that a player it did not start
   (one run by hand in the same Wine prefix) is never taken for a test's. */
#pragma once

/* Called first in main: starts this runner again, with the same command line, on the
   runners' desktop and waits for it; true then, with its exit code. False in the runner
   that is on that desktop already (or could not move there), which runs the tests. */
bool runOnOwnDesktop(int *exitCode);
