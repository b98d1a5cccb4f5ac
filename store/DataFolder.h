// Where the program keeps its files, decided once at start-up: beside the exe where the user may
// write and the folder stays, otherwise in the user's local application data (Program Files, a
// folder that controlled folder access guards, a zip file opened in place).
#pragma once

#include <string>

struct TDataFolder {
    // Every file of the program is read and written here; ends with its delimiter.
    std::wstring Folder;
    // Where this start reads the defect list: Folder, unless the files beside the exe were to
    // be copied there and the copy failed. They are read from beside the exe then, and the
    // next save writes them into Folder.
    std::wstring ReadFolder;
};

// Looks at `exeFolder` and the user's folder, makes the user's folder when it is chosen, and on
// its first use copies the exe folder's files there. Never raises: where the system will not
// tell, the exe's folder stays the place.
TDataFolder PrepareDataFolder(const std::wstring& exeFolder);
