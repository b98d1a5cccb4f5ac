// Where the defect file lives: beside the executable. The rule is platform-neutral.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::wstring_view DefectFileName = L"Glimmora.pix";

// The directory part of a full path, with its trailing delimiter: everything up to and including
// the last "\" or ":" (empty when there is neither).
std::wstring DirectoryPart(std::wstring_view fullPath);
