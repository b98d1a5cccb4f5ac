#include "ui/OSError.h"

#include "ui/Exceptions.h"

std::wstring SystemErrorText(DWORD errorCode) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer) {
        text.assign(buffer, length);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
            text.pop_back();
    }
    LocalFree(buffer);
    return text;
}

void RaiseOSError(DWORD errorCode) {
    throw EOSError(errorCode, SystemErrorText(errorCode));
}

void RaiseLastOSError() {
    RaiseOSError(GetLastError());
}
