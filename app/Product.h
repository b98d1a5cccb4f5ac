// The program's name as the user sees it, in one place.
#pragma once

inline constexpr wchar_t ApplicationTitle[] = L"Glimmora 2.0";
