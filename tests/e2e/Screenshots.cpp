// screenshots.exe: walks through the program's windows as a user would and saves a picture of
// the screen at each one (24-bit BMP files in the folder given as argument). `make screenshots`
// turns them into PNG files.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/Driver.h"

namespace {

std::wstring outFolder;

void SaveScreen(const wchar_t* name) {
    Sleep(400); // let the last change reach the screen
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as the file wants it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    std::wstring path = outFolder + L"\\" + name + L".bmp";
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, &file, sizeof file, &written, nullptr);
    WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
    WriteFile(out, bits, imageBytes, &written, nullptr);
    CloseHandle(out);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("saved %ls\n", name);
}

// The menu the tray icon opens when the shell reports a context-menu request.
void ShotOpenTrayMenu(const TGlimmora& program) {
    MoveMouse(GetSystemMetrics(SM_CXSCREEN) - 60, GetSystemMetrics(SM_CYSCREEN) - 12);
    PostMessageW(program.Window(L"TTrayWindow"), WM_USER + 1, 1, WM_CONTEXTMENU);
    WaitFor([] { return FindWindowW(L"#32768", nullptr) != nullptr; }, 5s);
    Sleep(200);
}

// Items from the top: Info, Homepage, (separator), Setup, (separator), Beenden.
void ShotChooseFromTrayMenu(const TGlimmora& program, int downs) {
    ShotOpenTrayMenu(program);
    for (int i = 0; i < downs; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
}

// The centre of the k-th swatch (0 to 6) of a chooser.
void ClickSwatch(HWND chooser, int k) {
    RECT r;
    GetWindowRect(chooser, &r);
    UINT dpi = 96;
    HDC dc = GetDC(nullptr);
    dpi = static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSX));
    ReleaseDC(nullptr, dc);
    ClickAt(r.left + MulDiv(32 + 16 + 48 * k + 20, static_cast<int>(dpi), 96),
            r.top + MulDiv(40 + 16 + 16, static_cast<int>(dpi), 96));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshots <output folder>\n");
        return 2;
    }
    outFolder = WindowsPath(argv[1]);
    wchar_t exe[4096] = {};
    GetEnvironmentVariableW(L"GLIMMORA_EXE", exe, 4096);
    GlimmoraExe = exe;

    TTempFolder folder{L"glimmora", ProgramFolders()};
    WriteBytes(folder.File(L"Glimmora.pix"), Records(WorkedExample));
    TGlimmora program(folder);
    if (!program.WaitUntilUp())
        return 1;
    Sleep(1000);

    ShotOpenTrayMenu(program);
    SaveScreen(L"tray-menu");
    PressKey(VK_ESCAPE);

    ShotChooseFromTrayMenu(program, 3); // Setup
    HWND setup = WaitForVisibleWindow(program, L"TFHaupt");
    SaveScreen(L"setup");

    ClickControl(setup, L"Anleitung");
    HWND instructions = WaitForVisibleWindow(program, L"TFAnleit");
    SaveScreen(L"instructions-1");
    ClickControl(instructions, L"Nächste >>");
    SaveScreen(L"instructions-2");
    ClickControl(instructions, L"<< Zurück");
    ClickControl(instructions, L"Schließen");

    // The repair window from the list's context menu, running: the first entry flashes.
    HWND list = ControlOfClass(setup, L"ListBox");
    ClickListLine(list, 0);
    RECT line;
    GetWindowRect(list, &line);
    ClickAt(line.left + 60, line.top + 6, true);
    WaitFor([] { return FindWindowW(L"#32768", nullptr) != nullptr; }, 5s);
    Sleep(200);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    HWND repair = WaitForVisibleWindow(program, L"TFReparatur");
    ClickControl(repair, L"Starten");
    Sleep(1500);
    SaveScreen(L"repair");
    PressKey(VK_ESCAPE);
    WaitFor([&] { return !IsWindowVisible(repair); }, 5s);

    // The position check from the same menu, its third item: the first entry's cover blinks.
    ClickListLine(list, 0);
    ClickAt(line.left + 60, line.top + 6, true);
    WaitFor([] { return FindWindowW(L"#32768", nullptr) != nullptr; }, 5s);
    Sleep(200);
    for (int i = 0; i < 3; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    if (WaitForVisibleWindow(program, L"TFPruefen")) {
        Sleep(500);
        SaveScreen(L"check");
        PressKey(VK_ESCAPE);
    }

    ShotChooseFromTrayMenu(program, 1); // Info
    HWND about = WaitForVisibleWindow(program, L"TAboutBox");
    SaveScreen(L"about");
    ClickControl(about, L"Über");
    HWND credits = WaitForVisibleWindow(program, L"TUeber");
    SaveScreen(L"credits");
    ClickControl(credits, L"OK");
    ClickControl(about, L"OK");

    ClickControl(setup, L"Pixelfehler definieren");
    WaitForVisibleWindow(program, L"TFBack");
    MoveMouse(200, 150);
    SaveScreen(L"capture-black");
    ClickAt(200, 150);
    HWND black = WaitForVisibleWindow(program, L"TFAusBla");
    SaveScreen(L"chooser-black");
    ClickSwatch(black, 2); // red
    ClickAt(400, 300, true);
    SaveScreen(L"capture-white");
    ClickAt(200, 150);
    HWND white = WaitForVisibleWindow(program, L"TFAusWhi");
    SaveScreen(L"chooser-white");
    ClickSwatch(white, 3); // aqua
    ClickAt(400, 300, true);
    Sleep(500);
    SaveScreen(L"setup-after-capture");

    program.Close();
    program.WaitForExit(5s);
    return 0;
}
