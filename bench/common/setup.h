/* The benchmarks' working folder: a private copy of Warble.dll beside the settings
   file it is to read, so no settings of the build or of another run get in. */
#pragma once

#include <string>

/* Where Warble.dll and winamp-sim.exe are: $WARBLE_BIN (a Unix path is taken through
   drive Z:), else the build's bin folder two levels above this program. Ends in '\'. */
std::string binFolder();
/* Creates a fresh folder under the temporary folder; ends in '\'; empty on failure. */
std::string makeBenchFolder(const char *name);
/* Writes the plugin's settings file (Warble.rc) into folder: one "key: value" a line. */
bool writeSettings(const std::string &folder, const char *lines);
/* Copies Warble.dll from binFolder() into folder; the copy's path, or empty. */
std::string copyPlugin(const std::string &folder);
/* Deletes the files a run left in its folder, then the folder. */
void removeBenchFolder(const std::string &folder);
/* How many lines of the shell's event record equal line. */
int countEvents(const char *line);
