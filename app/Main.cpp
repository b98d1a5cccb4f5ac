// The program entry: the start-up order of the windows, the main loop, and the shutdown.
#include <windows.h>

#include "app/Product.h"
#include "app/SingleInstance.h"
#include "app/Unit1.h"
#include "capture/Unit12.h"
#include "capture/Unit4.h"
#include "capture/Unit6.h"
#include "capture/Unit7.h"
#include "help/Unit5.h"
#include "help/Unit8.h"
#include "help/Unit9.h"
#include "repair/Unit10.h"
#include "repair/Unit11.h"
#include "setup/Unit3.h"
#include "store/DataPath.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

namespace {

// The exe is often started from a downloads folder: a DLL planted beside it must never load.
// Every DLL the program loads at run time comes from the system folder.
void RestrictDllSearchPath() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    auto setDefaultDllDirectories =
        kernel32 ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
                       GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                 : nullptr;
    if (setDefaultDllDirectories)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Also takes the current directory out of the search, where the call above is missing.
    SetDllDirectoryW(L"");
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearchPath();
    HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    EnsureDpiAwareness();

    // Before anything shows: a second start on the same data file neither reads nor writes it.
    const TInstanceLock lock(StartDataFolder().Folder + std::wstring(DefectFileName));
    if (!lock.Owned()) {
        lock.WakeOwner();
        return 0;
    }

    TApplication application;
    try {
        application.Initialize();
        application.SetTitle(ApplicationTitle);
        application.CreateForm(Form1);
        application.CreateForm(FHaupt);
        application.CreateForm(FBack);
        application.CreateForm(AboutBox);
        application.CreateForm(FAusBla);
        application.CreateForm(FAnleit);
        application.CreateForm(FAusWhi);
        application.CreateForm(Ueber);
        application.CreateForm(FReparatur);
        application.CreateForm(FPruefen);
        for (TPixForm*& overlay : Overlays)
            application.CreateForm(overlay);
        for (TFlashForm*& flash : Flashes)
            application.CreateForm(flash);
        // The first tick can only run in the main loop below, so it always finds the overlays
        // created and placed.
        Form1->FollowScreenWatch();
        Form1->PlaceOverlays();
        application.Run();
    } catch (...) {
        application.HandleException(std::current_exception(), nullptr);
    }
    // Newest first, Form1 last, which releases the desktop device context.
    application.DestroyForms();
    return 0;
}
