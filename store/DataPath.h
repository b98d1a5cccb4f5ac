// Where the program's files live. The rules are platform-neutral; store/DataFolder gathers what
// they need from the system.
#pragma once

#include <array>
#include <string>
#include <string_view>

inline constexpr std::wstring_view DefectFileName = L"Glimmora.pix";
// Where each defect lies on its panel, beside the list.
inline constexpr std::wstring_view PanelFileName = L"Glimmora.panels";
// Every file that belongs to the defect list, the list's own first: they live in one folder and
// are copied together.
inline constexpr std::array<std::wstring_view, 2> DataFileNames{DefectFileName, PanelFileName};
// The folder in the user's local application data that holds the files when the program's own
// folder cannot.
inline constexpr std::wstring_view UserDataFolderName = L"Glimmora";

// The directory part of a full path, with its trailing delimiter: everything up to and including
// the last "\" or ":" (empty when there is neither).
std::wstring DirectoryPart(std::wstring_view fullPath);

// What start-up finds out before it decides where the files live. Folders end with their
// delimiter.
struct TDataFolderFacts {
    std::wstring ExeFolder;
    // A file could be created and removed there.
    bool ExeFolderWritable = false;
    // It lies in the temporary folder, where a program started from inside a zip file runs
    // and everything is cleaned away later.
    bool ExeFolderTemporary = false;
    // The program's folder in the user's local application data; empty when the system names
    // none or it cannot be made.
    std::wstring UserFolder;
    bool DefectFileInExeFolder = false;
    bool DefectFileInUserFolder = false;
};

struct TDataFolderChoice {
    std::wstring Folder;
    // The user's folder is used for the first time: the files beside the exe are copied there
    // (never moved: the exe's folder is left as it was).
    bool CopyFromExeFolder = false;
};

// Beside the exe where it may write and stays; otherwise in the user's folder.
TDataFolderChoice ChooseDataFolder(const TDataFolderFacts& facts);
