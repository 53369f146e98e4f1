/* Keys of the options written twice in the settings file. The shell reads a key's
   first line and ignores the rest without a word, so the plugin looks through the file
   itself and tells the user on the shell's label. */
#pragma once

#include <windows.h>

/* What the file held when it was last looked through, so that each state of it is
   told about once. Held by the start; the shell's thread alone uses it. */
struct DuplicateWatch {
    DWORD lastState; /* a hash of the bytes read, 0 before the first look */
};

/* Looks through the settings file at path, when it holds other bytes than at the last
   look, for a key of the options on two lines; the first such key is told on the label
   ("WarblePlugin -> Warble.rc: Warble.plugin.x: appears twice; the first counts").
   Only the file's first 64 KB are looked through. */
void tellDuplicateKeys(DuplicateWatch &watch, const char *path);
