/* How the settings store replaces a whole file under its name without losing a save
   that another program makes meanwhile (settings_replace.cpp), and what the store's
   reading shares with it. */
#pragma once

#include <string>
#include <windows.h>

/* Larger files are not read (they read as empty) and never rewritten. */
const size_t MAX_SETTINGS_FILE = 32 * 1024 * 1024;

/* Within this long of its last write a file may be written again under the same stamp
   (file times are kept in steps of a few milliseconds). */
const ULONGLONG SAME_STAMP_MS = 100;

ULONGLONG msSinceWritten(const FILETIME &written);

/* The change a write makes: the new text, made from the file's text as it stands. */
struct SettingsEdit {
    virtual std::string applyTo(const std::string &text) const = 0;
};

/* What a successful replace left under the name: its text and its stamp. */
struct Replaced {
    std::string text;
    WIN32_FILE_ATTRIBUTE_DATA stamp;
};

/* Replaces the file at path with edit applied to its text; null when done, else why
   not (the file is then as it was, or as another program saved it). */
const char *replaceSettingsFile(const char *path, const SettingsEdit &edit, Replaced &done);
