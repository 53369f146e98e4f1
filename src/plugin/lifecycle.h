/* The five functions the shell calls: start, stop and the plugin's information. */
#pragma once

#include <windows.h>

extern "C" {
int beginPlugin(HINSTANCE instance);
int beginSlitPlugin(HINSTANCE instance, HWND slit);
int beginPluginEx(HINSTANCE instance, HWND slit);
void endPlugin(HINSTANCE instance);
const char *pluginInfo(int index);
}
