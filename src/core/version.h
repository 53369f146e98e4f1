/* The plugin's version, said in this one place: pluginInfo, the About box, the DLL's
   version resource (version.rc) and the release zip's name (scripts/package) read it
   from here. Plain preprocessor lines, so that the resource compiler reads them too. */
#pragma once

#define WARBLE_VERSION "0.96b"
/* The same version as the four numbers of the version resource: 0.96, "b" the second
   release of it. */
#define WARBLE_VERSION_NUMBERS 0, 96, 2, 0
/* The release date, as pluginInfo gives it (day-month-year). */
#define WARBLE_RELEASE_DATE "19-02-2006"
/* The name with the version, and who to reach about it (the About box and pluginInfo).
   The web address and e-mail are placeholders: set them before a release of your own. */
#define WARBLE_NAME_VERSION "Warble v" WARBLE_VERSION
#define WARBLE_AUTHOR "The Warble developers"
#define WARBLE_WEB "https://warble.example.org/"
#define WARBLE_EMAIL "warble@example.org"
