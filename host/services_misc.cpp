/* The shell's small services: where it lives, which editor the user prefers, starting
   programs, and the options it was started with. */
#include <cstdio>
#include <cstring>
#include "shell_internal.h"
#include <shellapi.h>

namespace {

ShellOptions options;

/* The folder of the running executable, ending in a backslash. */
std::string exeFolder() {
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return ".\\";
    char *slash = strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    return path;
}

std::string withBackslash(std::string folder) {
    if (folder.empty()) return exeFolder();
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

} // namespace

void shellCopyText(char *buffer, size_t size, const char *text) {
    if (!buffer || size == 0) return;
    size_t length = text ? strnlen(text, size - 1) : 0;
    if (length) memcpy(buffer, text, length);
    buffer[length] = '\0';
}

const ShellOptions &shellOptions() {
    if (options.shellDir.empty()) options.shellDir = exeFolder();
    return options;
}

void setShellOptions(const HostOptions &from) {
    options.shellDir = withBackslash(from.shellDir ? from.shellDir : "");
    options.stylePath = from.stylePath ? from.stylePath : "";
    options.logPath = from.logPath ? from.logPath : "";
    options.showSlit = from.showSlit;
    options.popupMenus = from.popupMenus;
    options.keepEvents = from.keepEvents;
}

std::string shellSettingsPath() {
    return shellOptions().shellDir + "nightjar.rc";
}

NJ_API char *GetNightjarPath(char *buffer, int size) {
    if (buffer && size > 0) shellCopyText(buffer, (size_t)size, shellOptions().shellDir.c_str());
    return buffer;
}

NJ_API void GetNightjarEditor(char *buffer) {
    if (!buffer) return;
    std::string editor = shellReadString(shellSettingsPath().c_str(), "nightjar.editor:", "");
    shellCopyText(buffer, MAX_PATH, editor.empty() ? "notepad.exe" : editor.c_str());
}

NJ_API HINSTANCE NJExecute(HWND owner, const char *verb, const char *program, const char *arguments,
                           const char *directory, int showCommand, bool noErrorMessages) {
    hostLog("execute|%s|%s", program ? program : "", arguments ? arguments : "");
    if (!program || !*program) return (HINSTANCE)(INT_PTR)ERROR_FILE_NOT_FOUND;
    HINSTANCE result = ShellExecuteA(owner, verb, program, arguments, directory, showCommand);
    /* A failure is reported in the shell's label rather than in a box, which would stop
       the shell's thread until someone clicks it away. */
    if ((INT_PTR)result <= 32 && !noErrorMessages) {
        char notice[MAX_PATH + 32];
        snprintf(notice, sizeof notice, "Cannot start %s", program);
        shellSetLabel(notice);
    }
    return result;
}
