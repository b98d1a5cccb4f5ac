// The defect file on a real (Wine) file system: errors, odd files, long and non-ASCII paths,
// and a save that is killed at random moments.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "store/DataPath.h"
#include "store/DefectCodec.h"
#include "store/DefectFile.h"
#include "tests/support/TempFolder.h"
#include "ui/Exceptions.h"
#include "ui/Handles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes WorkedExample{0x64, 0x00, 0x00, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x11,
                          0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20};

TFileHandle Open(const std::wstring& path, DWORD access, DWORD share) {
    return TFileHandle(CreateFileW(LongPath(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::optional<Bytes> ReadAll(const std::wstring& path) {
    TFileHandle file =
        Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (!file.Valid())
        return std::nullopt;
    Bytes bytes(4096);
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return std::nullopt;
    bytes.resize(read);
    return bytes;
}

void WriteAll(const std::wstring& path, const Bytes& bytes) {
    TFileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.Valid()) << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates the nested folders `relative` below `folder`; returns the full path with a trailing
// backslash.
std::wstring MakeFolders(const TTempFolder& folder, const std::wstring& relative) {
    std::wstring path = folder.Path();
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos)
            end = relative.size();
        path += relative.substr(start, end - start) + L"\\";
        CreateDirectoryW(LongPath(path).c_str(), nullptr);
        start = end + 1;
    }
    return path;
}

// The error code of the file operation, 0 when it succeeds.
template <class Operation>
int IoError(Operation operation) {
    try {
        operation();
        return 0;
    } catch (const EInOutError& error) {
        return error.ErrorCode();
    }
}

int LoadError(const std::wstring& path, TDefectList& list) {
    return IoError([&] { LoadDefectFile(path, list); });
}

int SaveError(const std::wstring& path, const TDefectList& list) {
    return IoError([&] { SaveDefectFile(path, list); });
}

TDefectList Decoded(const Bytes& bytes) {
    TDefectList list;
    DecodeDefects(bytes.data(), bytes.size(), list);
    return list;
}

Bytes Encoded(const TDefectList& list) {
    const DefectFileImage image = EncodeDefects(list);
    return Bytes(image.Bytes.begin(),
                 image.Bytes.begin() + static_cast<std::ptrdiff_t>(image.Size));
}

// Record k has X = k, so where each loaded entry came from is plain to see.
Bytes NumberedRecords(int count) {
    Bytes bytes;
    for (int k = 0; k < count; ++k) {
        std::uint8_t record[DefectRecordSize];
        EncodeDefect(TDefectPixel{k, -k, static_cast<std::uint8_t>(k)}, record);
        bytes.insert(bytes.end(), record, record + DefectRecordSize);
    }
    return bytes;
}

class DefectFile : public testing::Test {
protected:
    TTempFolder directory{L"GlimmoraStore"};
    std::wstring pix = directory.Path() + L"Glimmora.pix";
    std::wstring tmp = pix + L".tmp";
};

TEST_F(DefectFile, MissingFileIsCreatedBySave) {
    TDefectList list;
    EXPECT_FALSE(DefectFileExists(pix));
    EXPECT_EQ(LoadError(pix, list), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(list.Empty());

    ASSERT_EQ(SaveError(pix, Decoded(WorkedExample)), 0);
    EXPECT_TRUE(DefectFileExists(pix));
    EXPECT_EQ(ReadAll(pix), WorkedExample);
    EXPECT_FALSE(Exists(tmp));

    ASSERT_EQ(LoadError(pix, list), 0);
    EXPECT_EQ(Encoded(list), WorkedExample);

    // Deleting every entry leaves an empty file, not a missing one.
    ASSERT_EQ(SaveError(pix, TDefectList{}), 0);
    EXPECT_EQ(ReadAll(pix), Bytes{});

    const std::wstring inMissingFolder = directory.Path() + L"fehlt\\Glimmora.pix";
    EXPECT_EQ(SaveError(inMissingFolder, list), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(LoadError(inMissingFolder, list), ERROR_PATH_NOT_FOUND);
}

TEST_F(DefectFile, LoadsWholeRecordsUpToTwentyFive) {
    Bytes twentyBytes = WorkedExample;
    twentyBytes.insert(twentyBytes.end(), {0xAB, 0xCD});
    const Bytes thirty = NumberedRecords(30);
    struct Case {
        Bytes file;
        int entriesBefore;
        Bytes loaded;
    } cases[] = {
        {{}, 0, {}},
        {Bytes(8, 0x11), 0, {}},
        {twentyBytes, 0, WorkedExample},
        {thirty, 0, NumberedRecords(25)},
        {thirty, 20, NumberedRecords(5)},
        {thirty, 25, {}},
    };
    for (const Case& c : cases) {
        WriteAll(pix, c.file);
        TDefectList list;
        for (int i = 0; i < c.entriesBefore; ++i)
            AppendDefect(list, 1000 + i, 0);
        ASSERT_EQ(LoadError(pix, list), 0) << c.file.size();
        const Bytes all = Encoded(list);
        EXPECT_EQ(Bytes(all.begin() + c.entriesBefore * 9, all.end()), c.loaded) << c.file.size();
    }

    // What loaded from a file with a partial record saves back without it.
    WriteAll(pix, twentyBytes);
    TDefectList list;
    LoadDefectFile(pix, list);
    ASSERT_EQ(SaveError(pix, list), 0);
    EXPECT_EQ(ReadAll(pix), WorkedExample);
}

TEST_F(DefectFile, DirectoryOfThatNameIsNoFileAndNotReplaced) {
    ASSERT_TRUE(CreateDirectoryW(pix.c_str(), nullptr));
    EXPECT_FALSE(DefectFileExists(pix));
    TDefectList list;
    EXPECT_EQ(LoadError(pix, list), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SaveError(pix, Decoded(WorkedExample)), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(GetFileAttributesW(pix.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(Exists(tmp));
}

TEST_F(DefectFile, ReadOnlyFileLoadsButIsNotReplaced) {
    WriteAll(pix, WorkedExample);
    ASSERT_TRUE(SetFileAttributesW(pix.c_str(), FILE_ATTRIBUTE_READONLY));

    TDefectList list;
    ASSERT_EQ(LoadError(pix, list), 0);
    EXPECT_EQ(Encoded(list), WorkedExample);

    EXPECT_EQ(SaveError(pix, TDefectList{}), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadAll(pix), WorkedExample);
    EXPECT_EQ(GetFileAttributesW(pix.c_str()) & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(Exists(tmp));
}

TEST_F(DefectFile, FileHeldByAnotherProgram) {
    // One record over two: a save in place must cut the file after it.
    const TDefectList other = Decoded(NumberedRecords(1));
    struct Case {
        DWORD access, share;
        int loadError, saveError; // a save that succeeds writes `other`
        DWORD letGoAfter = 0;     // ms into the save; 0 holds on throughout
        bool mapped = false;
    } cases[] = {
        // Held without sharing: every open fails, and the file keeps its bytes.
        {GENERIC_READ | GENERIC_WRITE, 0, ERROR_SHARING_VIOLATION, ERROR_SHARING_VIOLATION},
        // Shared for reading only: a reader gets in, a writer does not.
        {GENERIC_READ, FILE_SHARE_READ, 0, ERROR_SHARING_VIOLATION},
        // The same for a moment only, as a scanner holds it: the save waits for it.
        {GENERIC_READ, FILE_SHARE_READ, 0, 0, 200},
        // Shared for reading and writing but not deleting (an editor, an indexer): the file
        // cannot be replaced, so the records go into it.
        {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, 0},
        {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, 0},
        // ... unless the holder maps it: then the file cannot be cut, and must not be touched.
        {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
         ERROR_USER_MAPPED_FILE, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "access " << std::hex << c.access << ", share "
                                        << c.share << (c.mapped ? ", mapped" : ""));
        WriteAll(pix, WorkedExample);
        TFileHandle holder = Open(pix, c.access, c.share);
        ASSERT_TRUE(holder.Valid()) << GetLastError();
        TKernelHandle mapping(
            c.mapped ? CreateFileMappingW(holder.Get(), nullptr, PAGE_READWRITE, 0, 0, nullptr)
                     : nullptr);
        void* view = c.mapped ? MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0) : nullptr;
        ASSERT_EQ(view != nullptr, c.mapped);
        TDefectList list;
        EXPECT_EQ(LoadError(pix, list), c.loadError);
        EXPECT_EQ(list.Count(), c.loadError == 0 ? 2 : 0);
        std::thread letGo;
        if (c.letGoAfter)
            letGo = std::thread([&] {
                Sleep(c.letGoAfter);
                holder.Reset();
            });
        EXPECT_EQ(SaveError(pix, other), c.saveError);
        if (letGo.joinable())
            letGo.join();
        const Bytes expected = c.saveError == 0 ? NumberedRecords(1) : WorkedExample;
        if (holder.Valid() && (c.share & FILE_SHARE_READ)) {
            EXPECT_EQ(ReadAll(pix), expected) << "while held";
        }
        if (view)
            UnmapViewOfFile(view);
        mapping.Reset();
        holder.Reset();
        EXPECT_EQ(ReadAll(pix), expected);
        EXPECT_FALSE(Exists(tmp));
    }
    ASSERT_EQ(SaveError(pix, Decoded(NumberedRecords(3))), 0);
    EXPECT_EQ(ReadAll(pix), NumberedRecords(3));
}

TEST_F(DefectFile, TemporaryFileOfAnotherSave) {
    // A stale one, left by a killed save, is simply overwritten.
    WriteAll(pix, WorkedExample);
    WriteAll(tmp, Bytes(300, 0x5A));
    ASSERT_EQ(SaveError(pix, Decoded(NumberedRecords(2))), 0);
    EXPECT_EQ(ReadAll(pix), NumberedRecords(2));
    EXPECT_FALSE(Exists(tmp));

    // One still being written by another instance stops this save and stays where it is.
    WriteAll(tmp, Bytes(5, 0x5A));
    TFileHandle otherSave = Open(tmp, GENERIC_WRITE | DELETE, 0);
    ASSERT_TRUE(otherSave.Valid());
    EXPECT_EQ(SaveError(pix, Decoded(WorkedExample)), ERROR_SHARING_VIOLATION);
    otherSave.Reset();
    EXPECT_EQ(ReadAll(pix), NumberedRecords(2));
    EXPECT_EQ(ReadAll(tmp), Bytes(5, 0x5A));
}

TEST_F(DefectFile, LongAndNonAsciiPaths) {
    std::wstring deep;
    for (int i = 0; i < 6; ++i)
        deep += L"Ein_recht_langer_Ordnername_für_die_Pixelfehlerdatei_Nr_" + std::to_wstring(i) +
                L"\\";
    const std::wstring cases[] = {
        L"Bildschirmprüfung\\Глиммора",
        deep + L"Глиммора",
        L"Bildschirmprüfung\\" + deep,
    };
    for (const std::wstring& relative : cases) {
        const std::wstring path = MakeFolders(directory, relative) + L"Glimmora.pix";
        ASSERT_TRUE(Exists(DirectoryPart(path))) << ToUtf8(path);
        EXPECT_FALSE(DefectFileExists(path));
        ASSERT_EQ(SaveError(path, Decoded(NumberedRecords(1))), 0) << path.size();
        ASSERT_EQ(SaveError(path, Decoded(WorkedExample)), 0) << path.size();
        EXPECT_TRUE(DefectFileExists(path));
        EXPECT_EQ(ReadAll(path), WorkedExample) << path.size();
        EXPECT_FALSE(Exists(path + L".tmp"));
        TDefectList list;
        ASSERT_EQ(LoadError(path, list), 0) << path.size();
        EXPECT_EQ(Encoded(list), WorkedExample);
    }
    EXPECT_GT(directory.Path().size() + cases[1].size(), 300u);
}

// --- Child process modes ------------------------------------------------------------------

// The list that a save loop writes in round k: k % 26 entries, each telling k.
TDefectList RoundList(std::int32_t k) {
    TDefectList list;
    for (int i = 0; i < k % 26; ++i)
        list[AppendDefect(list, k, -i)].Flags = static_cast<std::uint8_t>(k * 31 + i);
    return list;
}

int SaveLoop(const std::wstring& path, std::int32_t firstRound, const std::wstring& readyEvent) {
    TKernelHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, readyEvent.c_str()));
    if (!ready.Valid() || !SetEvent(ready.Get()))
        return 2;
    for (std::int32_t k = firstRound;; ++k) {
        try {
            SaveDefectFile(path, RoundList(k));
        } catch (const EInOutError& error) {
            return 1000 + error.ErrorCode();
        }
    }
}

int PrintExecutablePath(const std::wstring& outFile) {
    const std::wstring path = ExecutablePath();
    TFileHandle file(CreateFileW(LongPath(outFile).c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(path.size() * sizeof(wchar_t));
    return file.Valid() && WriteFile(file.Get(), path.data(), size, &written, nullptr) ? 0 : 3;
}

class Child {
public:
    Child(const std::wstring& exe, const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        // Wine, busy with the process just killed, now and then refuses a start with an internal
        // error; a moment later it starts. What is tested begins once the child runs.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process)) {
                CloseHandle(process.hThread);
                process_.Reset(process.hProcess);
                return;
            }
            error_ = GetLastError();
            Sleep(200);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { Kill(); }

    bool Started() const { return process_.Valid(); }
    DWORD StartError() const { return error_; }
    bool Running() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }
    DWORD Wait(DWORD milliseconds) const {
        if (WaitForSingleObject(process_.Get(), milliseconds) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = 0;
        GetExitCodeProcess(process_.Get(), &code);
        return code;
    }
    void Kill() {
        if (process_.Valid() && Running()) {
            TerminateProcess(process_.Get(), 99);
            WaitForSingleObject(process_.Get(), INFINITE);
        }
    }

private:
    TKernelHandle process_;
    DWORD error_ = 0;
};

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

TEST(ExecutablePath, NamesThisProgramAndItsFolder) {
    const std::wstring exe = ExecutablePath();
    ASSERT_GT(exe.size(), 4u);
    EXPECT_EQ(_wcsicmp(exe.substr(exe.size() - 4).c_str(), L".exe"), 0) << ToUtf8(exe);
    const DWORD attributes = GetFileAttributesW(LongPath(exe).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << ToUtf8(exe);
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    const std::wstring folder = DirectoryPart(exe);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_TRUE(GetFileAttributesW(LongPath(folder).c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    // A copy under a non-ASCII folder, with the longest name a program can be started from
    // (259 characters): its name fills the first buffer exactly, terminator included.
    TTempFolder directory{L"GlimmoraStore"};
    const std::wstring deepFolder = MakeFolders(directory, L"Bildschirmprüfung\\Глиммора");
    const std::wstring copy =
        folder + std::wstring(MAX_PATH - 1 - folder.size() - 4, L'k') + L".exe";
    ASSERT_EQ(copy.size(), MAX_PATH - 1u);
    ASSERT_TRUE(CopyFileW(exe.c_str(), copy.c_str(), FALSE)) << GetLastError();
    const std::wstring outFile = directory.Path() + L"exe-path.txt";
    Child child(copy, L"--print-executable-path " + Quoted(outFile));
    ASSERT_TRUE(child.Started()) << child.StartError();
    ASSERT_EQ(child.Wait(60000), 0u);
    const std::optional<Bytes> written = ReadAll(outFile);
    ASSERT_TRUE(written.has_value());
    const std::wstring reported(reinterpret_cast<const wchar_t*>(written->data()),
                                written->size() / sizeof(wchar_t));
    EXPECT_EQ(reported, copy) << ToUtf8(reported);
}

TEST(DefectFileKill, KilledSaveLeavesOneWholeList) {
    constexpr int Kills = 120;
    constexpr std::int32_t RoundsPerRun = 1'000'000;
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, 12);
    SCOPED_TRACE("seed " + std::to_string(seed));

    TTempFolder directory{L"GlimmoraStore"};
    const std::wstring pix = directory.Path() + L"Glimmora.pix";
    const std::wstring eventName =
        L"GlimmoraSaveLoopReady-" + std::to_wstring(GetCurrentProcessId());
    TKernelHandle ready(CreateEventW(nullptr, FALSE, FALSE, eventName.c_str()));
    ASSERT_TRUE(ready.Valid());
    const std::wstring exe = ExecutablePath();

    std::optional<std::int32_t> lastRound; // of the last nonempty list seen
    bool fileSeen = false;
    int freshSaves = 0;
    for (int run = 0; run < Kills; ++run) {
        const std::int32_t firstRound = run * RoundsPerRun;
        Child child(exe, L"--save-loop " + Quoted(pix) + L" " + std::to_wstring(firstRound) + L" " +
                             eventName);
        ASSERT_TRUE(child.Started()) << child.StartError();
        ASSERT_EQ(WaitForSingleObject(ready.Get(), 30000), WAIT_OBJECT_0);
        Sleep(static_cast<DWORD>(delay(random)));
        ASSERT_TRUE(child.Running()) << "the save loop ended with " << child.Wait(0);
        child.Kill();

        const std::optional<Bytes> bytes = ReadAll(pix);
        if (!bytes) {
            ASSERT_FALSE(fileSeen) << "the file vanished after kill " << run;
            continue;
        }
        fileSeen = true;
        ASSERT_EQ(bytes->size() % DefectRecordSize, 0u) << "kill " << run;
        const TDefectList list = Decoded(*bytes);
        if (list.Empty())
            continue; // round k with k % 26 == 0: nothing to tell which one
        const std::int32_t round = list[0].X;
        ASSERT_EQ(Encoded(RoundList(round)), *bytes) << "kill " << run << ", round " << round;
        // Saves are in order: the file holds this run's newest round or the one seen before.
        ASSERT_TRUE(round >= firstRound || round == lastRound) << "kill " << run;
        freshSaves += round >= firstRound ? 1 : 0;
        lastRound = round;
    }
    // Most kills must have hit a loop that was really saving, or the test proves nothing.
    EXPECT_GT(freshSaves, Kills / 4);
    std::printf("%d kills, %d of them after a save of the same run\n", Kills, freshSaves);
}

} // namespace

int main(int argc, char** argv) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring mode = count >= 2 ? arguments[1] : L"";
    if (mode == L"--save-loop" && count == 5)
        return SaveLoop(arguments[2], std::stoi(arguments[3]), arguments[4]);
    if (mode == L"--print-executable-path" && count == 3)
        return PrintExecutablePath(arguments[2]);
    LocalFree(arguments);

    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
