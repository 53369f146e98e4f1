/* Loading and ending plugins: each plugin is a DLL started through the first of
   beginPluginEx, beginSlitPlugin and beginPlugin that it exports, and ended through
   endPlugin before its library is freed. A plugin that cannot be loaded or started is
   described in words, so that whoever starts the shell knows what to change. */
#include "shell_internal.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

typedef int (*BeginPluginFunction)(HINSTANCE);
typedef int (*BeginSlitPluginFunction)(HINSTANCE, HWND);
typedef void (*EndPluginFunction)(HINSTANCE);

struct LoadedPlugin {
    HMODULE module;
    bool started; /* its start function returned 0 */
};
std::vector<LoadedPlugin> loaded;

std::string say(const char *format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

/* The file's bytes, or false when it cannot be read. */
static bool readFile(const char *path, std::string &bytes) {
    FILE *file = fopen(path, "rb");
    if (!file) return false;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    fclose(file);
    return true;
}

/* Reads a value of the image at a file offset; zero beyond the end. */
template <typename T> T at(const std::string &image, size_t offset) {
    T value = {};
    if (offset <= image.size() && sizeof(T) <= image.size() - offset)
        memcpy(&value, image.data() + offset, sizeof(T));
    return value;
}

/* The headers of a PE image, and the file offset of a relative virtual address. */
struct PeImage {
    const std::string &bytes;
    size_t headers = 0; /* offset of the "PE\0\0" signature */
    IMAGE_FILE_HEADER file() const { return at<IMAGE_FILE_HEADER>(bytes, headers + 4); }
    size_t offsetOf(DWORD rva) const {
        size_t sections = headers + 4 + sizeof(IMAGE_FILE_HEADER) + file().SizeOfOptionalHeader;
        for (WORD i = 0; i < file().NumberOfSections; ++i) {
            auto s = at<IMAGE_SECTION_HEADER>(bytes, sections + i * sizeof(IMAGE_SECTION_HEADER));
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return bytes.size();
    }
    std::string text(DWORD rva) const {
        size_t offset = offsetOf(rva);
        if (offset >= bytes.size()) return "";
        return std::string(bytes.c_str() + offset, strnlen(bytes.c_str() + offset, 256));
    }
};

/* What is wrong with the file as a 32-bit plugin DLL, before it is loaded; empty if
   nothing. */
std::string fileProblem(const char *path, std::string &bytes, PeImage &image) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return "not found (no such file)";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "a folder, not a DLL";
    if (!readFile(path, bytes)) return "cannot be read";
    image.headers = at<LONG>(bytes, 0x3c);
    if (at<WORD>(bytes, 0) != IMAGE_DOS_SIGNATURE ||
        at<DWORD>(bytes, image.headers) != IMAGE_NT_SIGNATURE)
        return "not a Windows DLL (no PE header)";
    WORD machine = image.file().Machine;
    if (machine == IMAGE_FILE_MACHINE_AMD64)
        return "a 64-bit DLL; the shell is 32-bit and loads only 32-bit (i386) DLLs";
    if (machine != IMAGE_FILE_MACHINE_I386)
        return say("built for another processor (machine 0x%04x), not a 32-bit (i386) DLL",
                   machine);
    if (!(image.file().Characteristics & IMAGE_FILE_DLL)) return "a program, not a DLL";
    return "";
}

/* The first DLL or function that the image imports and that cannot be found here. */
std::string missingImport(const PeImage &image) {
    size_t optional = image.headers + 4 + sizeof(IMAGE_FILE_HEADER);
    auto directory = at<IMAGE_OPTIONAL_HEADER32>(image.bytes, optional)
                         .DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t entry = image.offsetOf(directory.VirtualAddress);
    for (;; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto import = at<IMAGE_IMPORT_DESCRIPTOR>(image.bytes, entry);
        if (!import.Name) return "";
        std::string dll = image.text(import.Name);
        HMODULE module = GetModuleHandleA(dll.c_str());
        bool loadedHere = !module;
        if (!module) module = LoadLibraryExA(dll.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        if (!module) return say("it needs %s, which cannot be found", dll.c_str());
        std::string missing;
        DWORD thunks = import.OriginalFirstThunk ? import.OriginalFirstThunk : import.FirstThunk;
        for (size_t t = image.offsetOf(thunks); missing.empty(); t += 4) {
            DWORD thunk = at<DWORD>(image.bytes, t);
            if (!thunk) break;
            if (thunk & IMAGE_ORDINAL_FLAG32) continue;
            std::string name = image.text(thunk + 2); /* after the hint */
            if (!GetProcAddress(module, name.c_str()))
                missing = say("it needs %s from %s, which %s does not have", name.c_str(),
                              dll.c_str(), dll.c_str());
        }
        if (loadedHere) FreeLibrary(module);
        if (!missing.empty()) return missing;
    }
}

} // namespace

int hostLoadPlugin(const char *path, bool withSlit, std::string *problem) {
    std::string ignored, bytes;
    std::string &why = problem ? *problem : ignored;
    why.clear();
    if (!path || !*path) {
        why = "no path given";
        return -1;
    }
    PeImage image{bytes};
    why = fileProblem(path, bytes, image);
    /* Looked for before loading: Wine loads a DLL whose function imports are missing,
       with stubs that end the process when called. */
    if (why.empty()) why = missingImport(image);
    if (!why.empty()) return -1;
    HMODULE module = LoadLibraryA(path);
    if (!module) {
        why = say("Windows refused to load it (error %lu)", GetLastError());
        return -1;
    }
    HWND slit = withSlit ? hostSlitWindow() : nullptr;
    HINSTANCE instance = (HINSTANCE)module;
    int result;
    const char *started;
    if (auto beginEx = (BeginSlitPluginFunction)GetProcAddress(module, "beginPluginEx")) {
        started = "beginPluginEx";
        result = beginEx(instance, slit);
    } else if (auto beginSlit =
                   (BeginSlitPluginFunction)GetProcAddress(module, "beginSlitPlugin")) {
        started = "beginSlitPlugin";
        result = beginSlit(instance, slit);
    } else if (auto begin = (BeginPluginFunction)GetProcAddress(module, "beginPlugin")) {
        started = "beginPlugin";
        result = begin(instance);
    } else {
        FreeLibrary(module);
        why = "not a Nightjar plugin: it exports none of beginPluginEx, beginSlitPlugin, "
              "beginPlugin";
        return -1;
    }
    /* A plugin that failed to start has nothing running to end, but may have left its
       window class behind: its library stays loaded until the others go, and its
       endPlugin is not called. */
    loaded.push_back({module, result == 0});
    if (result != 0) why = say("its %s answered %d: it did not start", started, result);
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
