/* The plugin's version, said in this one place: pluginInfo, the About box, the DLL's
   version resource (version.rc) and the release zip (scripts/package) read it from here.
   Plain preprocessor lines, so that the resource compiler reads them too. */
#pragma once

#define WARBLE_VERSION "0.96b"
/* The release date, as pluginInfo gives it (day-month-year). */
#define WARBLE_RELEASE_DATE "19-02-2006"
/* This build of the release: each build that is handed out has a number of its own and a
   date. The changelog's section for it is headed "WARBLE_BUILD_NAME (WARBLE_BUILD_DATE)",
   the zip is named after it, its files carry the date, and the version resource shows it
   (scripts/package refuses a changelog that says otherwise). The plugin's own texts keep
   the version above. */
#define WARBLE_BUILD 1
#define WARBLE_BUILD_NAME "0.96b.1"
#define WARBLE_BUILD_DATE "8 December 2026"
/* The build as the four numbers of the version resource: 0.96, "b" the second release
   of it, and the build. */
#define WARBLE_VERSION_NUMBERS 0, 96, 2, WARBLE_BUILD
/* The name with the version, and who to reach about it (the About box and pluginInfo).
   The web address and e-mail are placeholders: set them before a release of your own. */
#define WARBLE_NAME_VERSION "Warble v" WARBLE_VERSION
#define WARBLE_AUTHOR "The Warble developers"
#define WARBLE_WEB "https://warble.example.org/"
#define WARBLE_EMAIL "warble@example.org"
