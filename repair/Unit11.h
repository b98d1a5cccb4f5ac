// TFlashForm: the small always-on-top window that flashes the area around one defect during a
// repair. The program creates 25 of them at start-up (Flashes); flash window i belongs to entry i
// of the defect list, as overlay i does.
#pragma once

#include <array>
#include <functional>

#include "engine/CoverForm.h"
#include "store/DefectList.h"

class TFlashForm : public TCoverForm {
public:
    TFlashForm();

    // Covers the flash area of the pixel (x, y), cut to the monitor that shows it, and shows the
    // window above every other; hides it while no monitor shows the pixel. Nobody else moves or
    // sizes it.
    void FlashAt(int x, int y);

    // A press of any mouse button on the window. The press arrives without activating anything.
    std::function<void()> OnPress;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The 25 flash windows, created once at start-up in index order.
extern std::array<TFlashForm*, MaxDefects> Flashes;
