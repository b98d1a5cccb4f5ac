// Paths handed over by CMake are Unix paths; under Wine the root of the Unix file system is
// drive Z. Shared by the Windows test programs.
#pragma once

#include <string>

inline std::wstring WindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/')
        return path;
    std::wstring windows = L"Z:" + path;
    for (wchar_t& c : windows)
        if (c == L'/')
            c = L'\\';
    return windows;
}
