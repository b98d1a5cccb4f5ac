#include "ui/Exceptions.h"

#include <cstdint>
#include <utility>

Exception::Exception(std::wstring message) : message_(std::move(message)), utf8_(ToUtf8(message_)) {
}

EInOutError::EInOutError(int errorCode)
    : Exception(InOutErrorText(errorCode)), errorCode_(errorCode) {
}

std::wstring InOutErrorText(int errorCode) {
    switch (errorCode) {
    case 2:
        return L"File not found";
    case 3:
        return L"Invalid filename";
    case 4:
        return L"Too many open files";
    case 5:
        return L"File access denied";
    case 100:
        return L"Read beyond end of file";
    case 101:
        return L"Disk full";
    case 106:
        return L"Invalid numeric input";
    default:
        return L"I/O error " + std::to_wstring(errorCode);
    }
}

namespace {

std::wstring OsErrorMessage(unsigned long errorCode, std::wstring_view systemText) {
    if (errorCode == 0)
        return L"A call to an OS function failed";
    return L"System Error.  Code: " + std::to_wstring(errorCode) + L".\r\n" +
           std::wstring(systemText);
}

} // namespace

EOSError::EOSError(unsigned long errorCode, std::wstring_view systemText)
    : Exception(OsErrorMessage(errorCode, systemText)), errorCode_(errorCode) {
}

std::wstring ErrorBoxText(std::wstring_view message) {
    std::wstring text(message);
    if (!text.empty() && static_cast<std::uint32_t>(text.back()) > u'.')
        text += L'.';
    return text;
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            // Windows: UTF-16; join surrogate pairs, replace lone halves.
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
