// Reading and writing the defect file with the Win32 file API. Failures raise EInOutError with
// the failing step's own error number (a full disk as 101, "Disk full"). Paths of any length
// work.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "store/DefectList.h"

// The form of `path` to hand to the file functions: short paths pass unchanged; from MAX_PATH
// on, the "\\?\" form lifts the length limit.
std::wstring Win32Path(const std::wstring& path);

// The absolute, normal form of `path`; `path` itself where the system cannot say.
std::wstring FullPathName(const std::wstring& path);
// The long form of an existing path ("C:\PROGRA~1" is "C:\Program Files"); `path` itself where
// the system cannot say.
std::wstring LongPathName(const std::wstring& path);

// True when `path` names an existing file; a directory of that name counts as no file.
bool DefectFileExists(const std::wstring& path);

// Appends the file's records to `list` (at most up to its capacity). The file is opened for
// reading only and may be read and written by other programs meanwhile. A read that fails
// midway keeps the whole records read before it and adds nothing for the failed one.
void LoadDefectFile(const std::wstring& path, TDefectList& list);

// Replaces the file with the records of `list` in one step: the records go to a temporary file
// in the same folder, which is flushed and then renamed over the old file. A rename refused
// because the file is open elsewhere is tried again for about half a second; if another program
// still holds the file open, sharing it for reading and writing, the records are written into
// the file itself instead (its length set first, so that a holder that refuses a new length
// leaves it unchanged; that write is not atomic). On any other failure the old file stays as it
// was. The temporary file never stays behind. A read-only file is not replaced.
void SaveDefectFile(const std::wstring& path, const TDefectList& list);

// Replaces the file at `path` with `bytes` in one step, as SaveDefectFile does (its errors too).
void SaveFileAtomically(const std::wstring& path, std::span<const std::uint8_t> bytes);
// At most `limit` bytes from the start of the file; raises EInOutError as LoadDefectFile does.
std::string LoadTextFile(const std::wstring& path, std::size_t limit);

// The full path of the running executable, read without a length limit. Raises EOSError if
// the system cannot tell it.
std::wstring ExecutablePath();
