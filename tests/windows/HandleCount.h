// The process's open kernel handles, for the tests that look for leaks.
#pragma once

#include <windows.h>

#include <cstdint>

// Wine reports no handle count, so there the table is probed: freed slots are reused lowest
// first, so a leak shows up below the limit.
inline DWORD HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0)
        return count;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; value < 0x4000; value += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != FALSE;
    return count;
}
