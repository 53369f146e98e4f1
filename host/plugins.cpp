/* Loading and ending plugins: each plugin is a DLL started through the first of
   beginPluginEx, beginSlitPlugin and beginPlugin that it exports, and ended through
   endPlugin before its library is freed. */
#include "shell_internal.h"

namespace {

typedef int (*BeginPluginFunction)(HINSTANCE);
typedef int (*BeginSlitPluginFunction)(HINSTANCE, HWND);
typedef void (*EndPluginFunction)(HINSTANCE);

struct LoadedPlugin {
    HMODULE module;
    bool started; /* its start function returned 0 */
};
std::vector<LoadedPlugin> loaded;

} // namespace

int hostLoadPlugin(const char *path, bool withSlit) {
    if (!path || !*path) return -1;
    HMODULE module = LoadLibraryA(path);
    if (!module) return -1;
    HWND slit = withSlit ? hostSlitWindow() : nullptr;
    HINSTANCE instance = (HINSTANCE)module;
    int result;
    if (auto beginEx = (BeginSlitPluginFunction)GetProcAddress(module, "beginPluginEx"))
        result = beginEx(instance, slit);
    else if (auto beginSlit = (BeginSlitPluginFunction)GetProcAddress(module, "beginSlitPlugin"))
        result = beginSlit(instance, slit);
    else if (auto begin = (BeginPluginFunction)GetProcAddress(module, "beginPlugin"))
        result = begin(instance);
    else {
        FreeLibrary(module);
        return -1;
    }
    /* A plugin that failed to start has nothing running to end, but may have left its
       window class behind: its library stays loaded until the others go, and its
       endPlugin is not called. */
    loaded.push_back({module, result == 0});
    return result;
}

void hostUnloadPlugins() {
    while (!loaded.empty()) {
        LoadedPlugin plugin = loaded.back();
        loaded.pop_back();
        auto end = (EndPluginFunction)GetProcAddress(plugin.module, "endPlugin");
        if (plugin.started && end) end((HINSTANCE)plugin.module);
        FreeLibrary(plugin.module);
    }
}
