#include <gtest/gtest.h>

#include "store/DataPath.h"
#include "ui/Exceptions.h"

TEST(DirectoryPart, CutsAfterTheLastBackslashOrColon) {
    struct Case {
        const wchar_t* path;
        const wchar_t* directory;
    } cases[] = {
        {L"C:\\Programme\\Glimmora\\Glimmora.exe", L"C:\\Programme\\Glimmora\\"},
        {L"C:\\Glimmora.exe", L"C:\\"},
        {L"C:Glimmora.exe", L"C:"},
        {L"Glimmora.exe", L""},
        {L"", L""},
        {L"C:\\Tools\\", L"C:\\Tools\\"},
        {L"\\\\server\\share\\Glimmora.exe", L"\\\\server\\share\\"},
        {L"\\\\?\\C:\\Programme\\Glimmora.exe", L"\\\\?\\C:\\Programme\\"},
        {L"\\\\?\\UNC\\server\\share\\g.exe", L"\\\\?\\UNC\\server\\share\\"},
        {L"C:\\dir\\file:stream", L"C:\\dir\\file:"}, // whichever delimiter comes last
        {L"C:/Programme/Glimmora.exe", L"C:"},        // "/" is not a delimiter here
        {L"D:\\Bildschirmprüfung\\Глиммора\\Glimmora.exe", L"D:\\Bildschirmprüfung\\Глиммора\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DirectoryPart(c.path), c.directory) << ToUtf8(c.path);
}
