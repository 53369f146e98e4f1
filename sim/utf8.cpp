/* Converting the player's UTF-8 texts to and from the system's UTF-16. */
#include "utf8.h"

#include <windows.h>

std::wstring fromUtf8(const std::string &text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring wide(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0], n);
    return wide;
}

std::string toUtf8(const std::wstring &text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr,
                                nullptr);
    std::string bytes(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &bytes[0], n, nullptr,
                            nullptr);
    return bytes;
}

std::string cutUtf8(const std::string &text, size_t max) {
    if (text.size() <= max) return text;
    size_t end = max;
    /* Back over continuation bytes (10xxxxxx) to the start of the cut character. */
    while (end > 0 && ((unsigned char)text[end] & 0xC0) == 0x80)
        end--;
    return text.substr(0, end);
}
