// The program's name, its makers and where to reach them, in one place: a release sets the
// real addresses here.
#pragma once

inline constexpr wchar_t ApplicationTitle[] = L"Glimmora 2.0";
inline constexpr wchar_t ActiveCaption[] = L"Glimmora 2.0 - AKTIV";
inline constexpr wchar_t InactiveCaption[] = L"Glimmora 2.0 - NICHT AKTIV";

inline constexpr wchar_t AuthorName[] = L"Glimmora-Team";
inline constexpr wchar_t HomePageAddress[] = L"https://www.glimmora.example/";
// The first contact address is shown in capitals and opened in lower case.
inline constexpr wchar_t FirstContactShown[] = L"INFO@GLIMMORA.EXAMPLE";
inline constexpr wchar_t FirstContactAddress[] = L"info@glimmora.example";
inline constexpr wchar_t SecondContactAddress[] = L"team@glimmora.example";
