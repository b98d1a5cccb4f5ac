// Turning failed Win32 calls into exceptions.
#pragma once

#include <windows.h>

#include <string>

// The system's own text for an error code, without the trailing line break; empty if none.
std::wstring SystemErrorText(DWORD errorCode);

// Raises EOSError for GetLastError() ("A call to an OS function failed" when it is 0).
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseOSError(DWORD errorCode);
