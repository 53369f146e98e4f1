/* The player keeps its texts (tracks, remote commands, paths) in UTF-8 and hands them
   to the system as UTF-16. */
#pragma once

#include <string>

std::wstring fromUtf8(const std::string &text);
std::string toUtf8(const std::wstring &text);
/* The longest start of text of at most max bytes that ends on a whole character. */
std::string cutUtf8(const std::string &text, size_t max);
