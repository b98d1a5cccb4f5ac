#include <gtest/gtest.h>

#include "ui/Exceptions.h"

TEST(InOutErrorText, NamedNumbersAndTheRest) {
    struct Case {
        int number;
        const wchar_t* text;
    } cases[] = {
        {2, L"File not found"},
        {3, L"Invalid filename"},
        {4, L"Too many open files"},
        {5, L"File access denied"},
        {100, L"Read beyond end of file"},
        {101, L"Disk full"},
        {106, L"Invalid numeric input"},
        {32, L"I/O error 32"},
        {103, L"I/O error 103"},
        {0, L"I/O error 0"},
        {-1, L"I/O error -1"},
        {1224, L"I/O error 1224"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InOutErrorText(c.number), c.text) << c.number;
        EXPECT_EQ(EInOutError(c.number).Message(), c.text) << c.number;
        EXPECT_EQ(EInOutError(c.number).ErrorCode(), c.number);
    }
}

TEST(ErrorBoxText, FullStopOnlyAfterCharactersThatSortAfterIt) {
    struct Case {
        const wchar_t* message;
        const wchar_t* shown;
    } cases[] = {
        {L"I/O error 32", L"I/O error 32."},
        {L"Disk full", L"Disk full."},
        {L"ends with a dot.", L"ends with a dot."},
        {L"Alarm!", L"Alarm!"},   // '!' sorts before '.'
        {L"(paren)", L"(paren)"}, // ')' too
        {L"minus-", L"minus-"},   // '-' is 0x2D
        {L"slash/", L"slash/."},  // '/' is 0x2F
        {L"digit 0", L"digit 0."},
        {L"Umlaut ü", L"Umlaut ü."}, // beyond ASCII
        {L"trailing blank ", L"trailing blank "},
        {L"", L""},
        {L"two lines\r\n", L"two lines\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorBoxText(c.message), c.shown) << ToUtf8(c.message);
}

TEST(EOSError, MessageCarriesCodeAndSystemText) {
    EXPECT_EQ(EOSError(8, L"Not enough memory.").Message(),
              L"System Error.  Code: 8.\r\nNot enough memory.");
    EXPECT_EQ(EOSError(0, L"").Message(), L"A call to an OS function failed");
}

TEST(ToUtf8, EncodesEveryPlane) {
    EXPECT_EQ(ToUtf8(L"Einträge"), "Eintr\xC3\xA4ge");
    EXPECT_EQ(ToUtf8(L"Глиммора"),
              "\xD0\x93\xD0\xBB\xD0\xB8\xD0\xBC\xD0\xBC\xD0\xBE\xD1\x80\xD0\xB0");
    EXPECT_EQ(ToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(ToUtf8(L"€"), "\xE2\x82\xAC");
}
