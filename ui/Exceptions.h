// Error types of the program. Platform-neutral: no Windows header, so the store and the
// colour arithmetic can raise and test them natively.
#pragma once

#include <exception>
#include <string>
#include <string_view>

// Base of every error the program raises on purpose. The message is the text the user sees.
class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);

    const std::wstring& Message() const noexcept { return message_; }
    // UTF-8 copy of the message, for test output and debuggers.
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::wstring message_;
    std::string utf8_;
};

// Numbers that are not operating-system error codes.
enum InOutErrorNumber : int {
    InOutShortRead = 100,  // fewer bytes read than a record needs
    InOutShortWrite = 101, // fewer bytes written than asked (also: the disk is full)
    InOutNotOpen = 103,
};

// A failed file step: an operating-system error code or one of the numbers above.
class EInOutError : public Exception {
public:
    explicit EInOutError(int errorCode);
    int ErrorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// The text the user reads for a file error number.
std::wstring InOutErrorText(int errorCode);

// A failed operating-system call outside the file steps. The caller passes the system's own
// text for the code (empty when there is none).
class EOSError : public Exception {
public:
    EOSError(unsigned long errorCode, std::wstring_view systemText);
    unsigned long ErrorCode() const noexcept { return errorCode_; }

private:
    unsigned long errorCode_;
};

// A failed thread operation (creation, priority, suspend, resume).
class EThread : public Exception {
public:
    using Exception::Exception;
};

// The text of the top-level error box: a full stop is added unless the message is empty or
// already ends in a character that sorts at or before "." (such as ".", "!" or ")").
std::wstring ErrorBoxText(std::wstring_view message);

std::string ToUtf8(std::wstring_view text);
