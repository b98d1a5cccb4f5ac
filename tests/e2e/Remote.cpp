// GlimmoraRemote.exe: what `make run` needs from inside Wine.
//   GlimmoraRemote wait [seconds]   waits until a Glimmora has finished its start-up
//   GlimmoraRemote close            ends it through its own close path and waits for the exit
//   GlimmoraRemote lock | unlock    tells it that its session was locked or unlocked, as the
//                                   system would (the benchmarks measure a locked program)
#include <windows.h>

#include <wtsapi32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

int Wait(int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        // The 25 overlays are the last windows of the start-up.
        int overlays = 0;
        for (HWND w = FindWindowExW(nullptr, nullptr, L"TPixForm", nullptr); w;
             w = FindWindowExW(nullptr, w, L"TPixForm", nullptr))
            ++overlays;
        if (overlays >= 25 && FindWindowW(L"TForm1", nullptr))
            return 0;
        Sleep(100);
    }
    std::fprintf(stderr, "Glimmora did not come up within %d s\n", seconds);
    return 1;
}

int Close() {
    HWND main = FindWindowW(L"TForm1", nullptr);
    if (!main)
        return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (!process)
        return 0;
    DWORD waited = WaitForSingleObject(process, 10000);
    CloseHandle(process);
    return waited == WAIT_OBJECT_0 ? 0 : 1;
}

int Tell(WPARAM change) {
    HWND main = FindWindowW(L"TForm1", nullptr);
    DWORD pid = 0, session = 0;
    GetWindowThreadProcessId(main, &pid);
    if (!main || !ProcessIdToSessionId(pid, &session))
        return 1;
    SendMessageW(main, WM_WTSSESSION_CHANGE, change, static_cast<LPARAM>(session));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wcscmp(argv[1], L"wait") == 0)
        return Wait(argc >= 3 ? std::wcstol(argv[2], nullptr, 10) : 60);
    if (argc >= 2 && std::wcscmp(argv[1], L"close") == 0)
        return Close();
    if (argc >= 2 && std::wcscmp(argv[1], L"lock") == 0)
        return Tell(WTS_SESSION_LOCK);
    if (argc >= 2 && std::wcscmp(argv[1], L"unlock") == 0)
        return Tell(WTS_SESSION_UNLOCK);
    std::fprintf(stderr, "usage: GlimmoraRemote wait [seconds] | close | lock | unlock\n");
    return 2;
}
