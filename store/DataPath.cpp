#include "store/DataPath.h"

std::wstring DirectoryPart(std::wstring_view fullPath) {
    const std::size_t cut = fullPath.find_last_of(L"\\:");
    if (cut == std::wstring_view::npos)
        return {};
    return std::wstring(fullPath.substr(0, cut + 1));
}

TDataFolderChoice ChooseDataFolder(const TDataFolderFacts& facts) {
    // With nowhere better to go the exe's folder stays the place, and a failed save says why.
    if ((facts.ExeFolderWritable && !facts.ExeFolderTemporary) || facts.UserFolder.empty())
        return {facts.ExeFolder, false};
    return {facts.UserFolder, facts.DefectFileInExeFolder && !facts.DefectFileInUserFolder};
}
