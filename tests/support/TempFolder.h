// A new empty folder under %TEMP% (or under another folder) for one test, removed with everything
// in it at the end. Shared by the Windows test programs; paths deeper than MAX_PATH are handled.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

// The long-path form of a path that needs it; the tests' own, kept apart from the program's.
inline std::wstring LongPath(const std::wstring& path) {
    return path.size() < MAX_PATH || path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path;
}

// `folder` ends with a backslash.
inline void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(LongPath(folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + name;
            SetFileAttributesW(LongPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\");
            else
                DeleteFileW(LongPath(path).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(LongPath(folder).c_str());
}

class TTempFolder {
public:
    // `base` ends with a backslash and exists; empty: the temporary folder.
    explicit TTempFolder(const std::wstring& hint = L"glimmora", std::wstring base = {}) {
        if (base.empty()) {
            wchar_t temp[MAX_PATH + 1];
            GetTempPathW(MAX_PATH + 1, temp);
            base = temp;
        }
        static unsigned counter = 0;
        for (;;) {
            path_ = base + hint + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(++counter) + L"\\";
            if (CreateDirectoryW(path_.c_str(), nullptr))
                break;
            if (GetLastError() != ERROR_ALREADY_EXISTS)
                throw std::runtime_error("cannot create a temporary folder");
        }
    }
    ~TTempFolder() { RemoveTree(path_); }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::wstring& Path() const { return path_; } // with a trailing backslash
    std::wstring File(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};
