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

TEST(ChooseDataFolder, BesideTheExeWhereItMayWriteAndStaysElseTheUsersFolderCopiedOnce) {
    const std::wstring exe = L"C:\\Programme\\Glimmora\\", user = L"C:\\Users\\Anna\\Glimmora\\";
    struct Case {
        const char* where;
        bool writable, temporary, userKnown, fileBesideExe, fileInUser;
        const std::wstring& folder;
        bool copy;
    } cases[] = {
        {"a folder of the user's", true, false, true, true, false, exe, false},
        {"... with a file in the user's folder too", true, false, true, true, true, exe, false},
        {"Program Files, first start", false, false, true, true, false, user, true},
        {"Program Files, later starts", false, false, true, true, true, user, false},
        {"Program Files, nothing marked yet", false, false, true, false, false, user, false},
        {"Program Files, the file only in the user's folder", false, false, true, false, true, user,
         false},
        {"inside a zip, with a file", true, true, true, true, false, user, true},
        {"inside a zip, without", true, true, true, false, false, user, false},
        {"no user folder, read-only", false, false, false, true, false, exe, false},
        {"no user folder, inside a zip", true, true, false, false, false, exe, false},
    };
    for (const Case& c : cases) {
        TDataFolderFacts facts;
        facts.ExeFolder = exe;
        facts.ExeFolderWritable = c.writable;
        facts.ExeFolderTemporary = c.temporary;
        facts.UserFolder = c.userKnown ? user : L"";
        facts.DefectFileInExeFolder = c.fileBesideExe;
        facts.DefectFileInUserFolder = c.fileInUser;
        const TDataFolderChoice choice = ChooseDataFolder(facts);
        EXPECT_EQ(choice.Folder, c.folder) << c.where;
        EXPECT_EQ(choice.CopyFromExeFolder, c.copy) << c.where;
    }
}
