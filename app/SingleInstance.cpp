#include "app/SingleInstance.h"

#include <cwchar>

#include "store/DataPath.h"
#include "store/DefectFile.h"

std::uint64_t PathKey(const std::wstring& path) {
    // The long form of the folder: "C:\PROGRA~1\Glimmora\Glimmora.pix" is the same file as
    // "C:\Program Files\Glimmora\Glimmora.pix". The file itself may not exist yet.
    const std::wstring full = FullPathName(path);
    const std::wstring folder = DirectoryPart(full);
    std::wstring key =
        (folder.empty() ? folder : LongPathName(folder)) + full.substr(folder.size());
    // File names compare as the file system does: each character upper-cased on its own, the
    // same on every locale.
    if (!key.empty())
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, key.c_str(),
                      static_cast<int>(key.size()), key.data(), static_cast<int>(key.size()),
                      nullptr, nullptr, 0);
    // FNV-1a over the UTF-16 units: a name for the lock of a path that may be longer than a
    // kernel object's name may be.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (wchar_t c : key) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

TInstanceLock::TInstanceLock(const std::wstring& path) : key_(PathKey(path)) {
    wchar_t name[64];
    // Per session: the program of another user's session has its own desktop to show.
    std::swprintf(name, 64, L"Local\\Glimmora-%016llx", static_cast<unsigned long long>(key_));
    mutex_.Reset(CreateMutexW(nullptr, TRUE, name));
    // Without a lock (no memory for it) the program runs as it always did.
    owned_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

UINT TInstanceLock::WakeMessage() {
    static const UINT message = RegisterWindowMessageW(L"Glimmora.ShowSetup");
    return message;
}

// The key travels whole in a message's wParam.
static_assert(sizeof(WPARAM) >= sizeof(std::uint64_t));

void TInstanceLock::WakeOwner() const {
    struct TSearch {
        UINT message;
        std::uint64_t key;
    } search{WakeMessage(), key_};
    // Every program's main window hears it; only the one that keeps this file answers.
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            const auto& s = *reinterpret_cast<const TSearch*>(param);
            wchar_t name[16] = {};
            if (GetClassNameW(window, name, 16) && std::wcscmp(name, L"TForm1") == 0) {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                AllowSetForegroundWindow(process);
                PostMessageW(window, s.message, static_cast<WPARAM>(s.key), 0);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
}
