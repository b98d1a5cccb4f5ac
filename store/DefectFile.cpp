#include "store/DefectFile.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/DefectCodec.h"
#include "ui/Exceptions.h"
#include "ui/Handles.h"
#include "ui/OSError.h"

namespace {

[[noreturn]] void RaiseInOutError(DWORD errorCode) {
    // The user should read "Disk full", not a bare number, whichever way the system says it.
    if (errorCode == ERROR_DISK_FULL || errorCode == ERROR_HANDLE_DISK_FULL)
        throw EInOutError(InOutShortWrite);
    throw EInOutError(static_cast<int>(errorCode));
}

[[noreturn]] void RaiseLastError() {
    RaiseInOutError(GetLastError());
}

bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::wstring FullPathName(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return path; // the file call itself will report what is wrong with it
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length); // the size needed, terminator included
    }
}

std::wstring LongPathName(const std::wstring& path) {
    std::wstring full(path.size() + MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetLongPathNameW(path.c_str(), full.data(), static_cast<DWORD>(full.size()));
        if (length == 0)
            return path;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length); // the size needed, terminator included
    }
}

// The "\\?\" form is taken literally (no "." or "..", no "/"), so the path is made absolute
// and normal first.
std::wstring Win32Path(const std::wstring& path) {
    if (path.size() < MAX_PATH || StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\"))
        return path;
    const std::wstring full = FullPathName(path);
    if (full.size() < MAX_PATH || StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\"))
        return full;
    if (StartsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

namespace {

// The temporary file of a save. Unless the save commits it (it has then become the defect
// file), it is removed again, so that a failed save leaves only the old file behind.
class TemporaryFile {
public:
    // Shared for reading only: a second instance saving at the same moment fails here instead of
    // writing into the same file, while a program that reads the defect file in the instant
    // between the rename and the close is not turned away. DELETE access lets a failed save
    // remove the file through its handle.
    explicit TemporaryFile(std::wstring path)
        : path_(std::move(path)),
          file_(CreateFileW(path_.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (!file_.Valid())
            RaiseLastError();
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    ~TemporaryFile() {
        if (committed_)
            return;
        if (file_.Valid()) {
            FILE_DISPOSITION_INFO disposition{};
            disposition.DeleteFile = TRUE;
            const bool marked = SetFileInformationByHandle(file_.Get(), FileDispositionInfo,
                                                           &disposition, sizeof disposition);
            file_.Reset();
            if (marked)
                return;
        }
        DeleteFileW(path_.c_str());
    }

    HANDLE Handle() const noexcept { return file_.Get(); }
    const std::wstring& Path() const noexcept { return path_; }
    void Close() noexcept { file_.Reset(); }
    void Commit() noexcept { committed_ = true; }

private:
    std::wstring path_;
    TFileHandle file_;
    bool committed_ = false;
};

// Renames the open temporary file over `target`. Through the handle, nobody can slip another
// file in between the write and the rename. Returns the error code, 0 on success.
DWORD RenameOver(HANDLE file, const std::wstring& target) {
    // The name is variable-length and follows the fixed part; the buffer of 8-byte units keeps
    // the structure aligned.
    const std::size_t bytes =
        offsetof(FILE_RENAME_INFO, FileName) + (target.size() + 1) * sizeof(wchar_t);
    std::vector<std::uint64_t> buffer((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t) +
                                      1);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    // Some implementations read the name up to its terminator rather than by its length.
    wchar_t* name = info->FileName;
    target.copy(name, target.size());
    name[target.size()] = L'\0';
    const DWORD size =
        static_cast<DWORD>(bytes < sizeof(FILE_RENAME_INFO) ? sizeof(FILE_RENAME_INFO) : bytes);
    if (SetFileInformationByHandle(file, FileRenameInfo, info, size))
        return ERROR_SUCCESS;
    return GetLastError();
}

bool RenameUnsupported(DWORD errorCode) {
    return errorCode == ERROR_INVALID_PARAMETER || errorCode == ERROR_NOT_SUPPORTED ||
           errorCode == ERROR_CALL_NOT_IMPLEMENTED;
}

// How a refused replace is retried: virus scanners, search indexers and sync clients open a
// file for a moment after every write, and the replace is refused while they hold it.
constexpr int ReplaceRetries = 5;
constexpr DWORD ReplaceRetryPause = 100; // milliseconds; about half a second in all

// The errors a replace meets while another program has the old file open.
bool RefusedWhileOpen(DWORD errorCode) {
    return errorCode == ERROR_SHARING_VIOLATION || errorCode == ERROR_ACCESS_DENIED;
}

// Runs `attempt` (which answers an error code, 0 on success) and tries again for about half a
// second while `held` says that a momentary holder may be what refuses it.
template <class Attempt, class Held>
DWORD WhileHeld(Attempt attempt, Held held) {
    DWORD error = attempt();
    for (int retry = 0; retry < ReplaceRetries && held(error); ++retry) {
        Sleep(ReplaceRetryPause);
        error = attempt();
    }
    return error;
}

// Whether another program has `target` open at this moment: an open with the right a replace
// needs and no sharing at all meets a sharing violation exactly then. Answers the open's error
// code: 0 when nobody holds the file, ERROR_SHARING_VIOLATION while somebody does, anything
// else when the rights to replace it are missing.
DWORD ExclusiveOpenError(const std::wstring& target) {
    TFileHandle probe(CreateFileW(target.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return probe.Valid() ? ERROR_SUCCESS : GetLastError();
}

void WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return;
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        RaiseLastError();
    if (written != bytes.size())
        RaiseInOutError(InOutShortWrite);
}

// The save when the file cannot be replaced: the file takes its new length first, then the
// records. Setting the length is what a holder can still refuse (one that maps the file, say),
// and then nothing has changed; once it is set, the room is there and the write does not run
// out of it.
void WriteInPlace(const std::wstring& target, std::span<const std::uint8_t> bytes) {
    // The holder has the file open already; sharing everything it may be using lets this open
    // succeed wherever its sharing allows writing at all.
    TFileHandle file(CreateFileW(target.c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        RaiseLastError();
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(bytes.size());
    if (!SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get()))
        RaiseLastError();
    position.QuadPart = 0;
    if (!SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN))
        RaiseLastError();
    WriteAll(file.Get(), bytes);
    if (!FlushFileBuffers(file.Get()))
        RaiseLastError();
}

// Fails with the reason why `target` could not be replaced, before anything is written.
void CheckReplaceable(const std::wstring& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return; // nothing there yet, or a reason that creating the temporary file reports
    // Checked here because a process with administrative rights may open a read-only file
    // for writing anyway, and a rename may replace it.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        RaiseInOutError(ERROR_ACCESS_DENIED);
    // The open that a writer in place would need: it fails for a directory, for missing
    // rights, and while another program holds the file without sharing writing, which a
    // scanner may do for a moment.
    const DWORD error = WhileHeld(
        [&]() -> DWORD {
            TFileHandle probe(CreateFileW(target.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            return probe.Valid() ? ERROR_SUCCESS : GetLastError();
        },
        [](DWORD e) { return e == ERROR_SHARING_VIOLATION; });
    if (error != ERROR_SUCCESS)
        RaiseInOutError(error);
}

} // namespace

bool DefectFileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(Win32Path(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void LoadDefectFile(const std::wstring& path, TDefectList& list) {
    // Reading needs no more: a read-only file loads, and a file that another program keeps
    // open for reading and writing does too.
    TFileHandle file(CreateFileW(Win32Path(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        RaiseLastError();

    LARGE_INTEGER fileSize{};
    if (!GetFileSizeEx(file.Get(), &fileSize))
        RaiseLastError();

    // Only whole records, and no more than the list can take: the rest of a longer file is
    // never read.
    const std::size_t room = static_cast<std::size_t>(MaxDefects - list.Count());
    const auto records = static_cast<std::uint64_t>(fileSize.QuadPart) / DefectRecordSize;
    const std::size_t wanted =
        static_cast<std::size_t>(records < room ? records : room) * DefectRecordSize;

    std::uint8_t bytes[MaxDefectFileBytes];
    std::size_t got = 0;
    DWORD failure = ERROR_SUCCESS;
    while (got < wanted) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes + got, static_cast<DWORD>(wanted - got), &read, nullptr)) {
            failure = GetLastError();
            break;
        }
        if (read == 0) {
            failure = InOutShortRead; // the file became shorter since its size was taken
            break;
        }
        got += read;
    }
    // What was read whole is kept, so the list matches the file as far as it could be read.
    DecodeDefects(bytes, got, list);
    if (failure != ERROR_SUCCESS)
        throw EInOutError(static_cast<int>(failure));
}

void SaveDefectFile(const std::wstring& path, const TDefectList& list) {
    const DefectFileImage image = EncodeDefects(list);
    SaveFileAtomically(path, std::span(image.Bytes).first(image.Size));
}

std::string LoadTextFile(const std::wstring& path, std::size_t limit) {
    TFileHandle file(CreateFileW(Win32Path(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        RaiseLastError();
    std::string text(limit, '\0');
    std::size_t got = 0;
    while (got < limit) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), text.data() + got, static_cast<DWORD>(limit - got), &read,
                      nullptr))
            RaiseLastError();
        if (read == 0)
            break;
        got += read;
    }
    text.resize(got);
    return text;
}

void SaveFileAtomically(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    const std::wstring target = Win32Path(path);
    CheckReplaceable(target);

    // A fixed name: what a killed save leaves behind is simply overwritten by the next one.
    TemporaryFile temporary(Win32Path(path + L".tmp"));
    WriteAll(temporary.Handle(), bytes);
    // The records must be on the disk before the name points at them, or a power cut could
    // leave a named but empty file.
    if (!FlushFileBuffers(temporary.Handle()))
        RaiseLastError();

    // The rename needs the absolute name of the target; a relative one would be taken as
    // relative to the current directory.
    const std::wstring absoluteTarget = FullPathName(target);
    bool byHandle = true;
    auto replace = [&]() -> DWORD {
        if (byHandle) {
            const DWORD error = RenameOver(temporary.Handle(), absoluteTarget);
            if (!RenameUnsupported(error))
                return error;
            // File systems without rename through a handle: by name, after closing.
            byHandle = false;
            temporary.Close();
        }
        if (MoveFileExW(temporary.Path().c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        return GetLastError();
    };
    DWORD error = WhileHeld(replace, RefusedWhileOpen);
    DWORD holder = ERROR_SUCCESS;
    if (RefusedWhileOpen(error)) {
        // Nobody holds the file now: its holder let go after the last try, or what refused was
        // a scanner holding the temporary file. One more try.
        holder = ExclusiveOpenError(target);
        if (holder == ERROR_SUCCESS)
            error = replace();
    }
    if (error == ERROR_SUCCESS) {
        temporary.Commit();
        return;
    }
    // Still refused while the rights to replace are there: the file is held by a program that
    // lets others write it (the open in CheckReplaceable got in). The save goes where such a
    // program expects it, into the file itself; the temporary file goes.
    if (RefusedWhileOpen(error) && (holder == ERROR_SUCCESS || holder == ERROR_SHARING_VIOLATION)) {
        WriteInPlace(target, bytes);
        return;
    }
    RaiseInOutError(error);
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            RaiseLastOSError();
        // A name that fills the whole buffer has been cut off.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
