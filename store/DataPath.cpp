#include "store/DataPath.h"

std::wstring DirectoryPart(std::wstring_view fullPath) {
    const std::size_t cut = fullPath.find_last_of(L"\\:");
    if (cut == std::wstring_view::npos)
        return {};
    return std::wstring(fullPath.substr(0, cut + 1));
}
