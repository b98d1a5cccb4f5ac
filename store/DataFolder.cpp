#include "store/DataFolder.h"

#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <array>
#include <cstddef>
#include <string_view>

#include "store/DataPath.h"
#include "store/DefectFile.h"
#include "ui/Handles.h"

namespace {

// A probe file that nothing else uses: created and, on its close, removed again. Creating a file
// is what a folder of Program Files or one that controlled folder access guards refuses; the
// removal needs the right to delete, which a save's rename needs too.
bool CanCreateAndRemove(const std::wstring& folder) {
    const std::wstring probe =
        folder + L"Glimmora-" + std::to_wstring(GetCurrentProcessId()) + L".probe";
    TFileHandle file(CreateFileW(Win32Path(probe).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                 nullptr));
    return file.Valid();
}

// The long form of a folder, with its delimiter: %TEMP% often holds a short name
// (C:\Users\ANNAMA~1\...) where the exe's path has the long one.
std::wstring LongFolder(const std::wstring& folder) {
    std::wstring full = LongPathName(folder);
    if (!full.empty() && full.back() != L'\\')
        full += L'\\';
    return full;
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

bool InTemporaryFolder(const std::wstring& folder) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return false;
    return StartsWithIgnoringCase(LongFolder(folder), LongFolder(std::wstring(temp, length)));
}

// %LOCALAPPDATA%\Glimmora\, made when it does not exist yet; empty when it cannot be.
std::wstring UserFolder() {
    PWSTR known = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &known)))
        folder = std::wstring(known) + L"\\" + std::wstring(UserDataFolderName) + L"\\";
    CoTaskMemFree(known);
    if (folder.empty())
        return {};
    if (!CreateDirectoryW(Win32Path(folder).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        return {};
    const DWORD attributes = GetFileAttributesW(Win32Path(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return folder;
}

} // namespace

TDataFolder PrepareDataFolder(const std::wstring& exeFolder) {
    TDataFolderFacts facts;
    facts.ExeFolder = exeFolder;
    facts.ExeFolderWritable = CanCreateAndRemove(exeFolder);
    facts.ExeFolderTemporary = InTemporaryFolder(exeFolder);
    facts.DefectFileInExeFolder = DefectFileExists(exeFolder + std::wstring(DefectFileName));
    // The user's folder is made only when the exe's folder will not do.
    if (!facts.ExeFolderWritable || facts.ExeFolderTemporary)
        facts.UserFolder = UserFolder();
    facts.DefectFileInUserFolder =
        !facts.UserFolder.empty() &&
        DefectFileExists(facts.UserFolder + std::wstring(DefectFileName));

    const TDataFolderChoice choice = ChooseDataFolder(facts);
    TDataFolder data{choice.Folder, choice.Folder};
    if (!choice.CopyFromExeFolder)
        return data;
    std::array<bool, DataFileNames.size()> copied{};
    for (std::size_t i = 0; i < DataFileNames.size(); ++i) {
        const std::wstring from = exeFolder + std::wstring(DataFileNames[i]);
        const std::wstring to = choice.Folder + std::wstring(DataFileNames[i]);
        // Never over a file that is there already; never moved, so that the exe's folder keeps
        // what the user put there.
        if (!DefectFileExists(from) || DefectFileExists(to))
            continue;
        copied[i] = CopyFileW(Win32Path(from).c_str(), Win32Path(to).c_str(), TRUE) != FALSE;
        if (!copied[i]) {
            // What was copied goes again: the next start tries the whole copy once more.
            for (std::size_t k = 0; k < i; ++k)
                if (copied[k])
                    DeleteFileW(Win32Path(choice.Folder + std::wstring(DataFileNames[k])).c_str());
            data.ReadFolder = exeFolder;
            break;
        }
        // A copy is the user's own file from now on, which every save replaces: a read-only
        // mark that the file beside the exe carried does not come along.
        const DWORD attributes = GetFileAttributesW(Win32Path(to).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(Win32Path(to).c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    return data;
}
