// TFlashForm: the small always-on-top window that flashes the area around one defect during a
// repair. The program creates 25 of them at start-up (Flashes); flash window i belongs to entry i
// of the defect list, as overlay i does.
#pragma once

#include <array>
#include <functional>

#include "store/DefectList.h"
#include "ui/Form.h"

class TFlashForm : public TForm {
public:
    TFlashForm();

    // Covers the flash area of the pixel (x, y), cut to the monitor that shows it, and shows the
    // window above every other; hides it while no monitor shows the pixel. Nobody else moves or
    // sizes it.
    void FlashAt(int x, int y);
    // Where it flashes, in screen pixels (empty until placed or while its pixel is on no monitor).
    const RECT& Area() const noexcept { return area_; }
    // Puts the window on top of the always-on-top band without showing or activating it.
    void ReassertTopmost() const;

    // A press of any mouse button on the window. The press arrives without activating anything.
    std::function<void()> OnPress;

protected:
    // Each step paints its colour at once, without an invalidation and a paint message.
    void ColorChanged() override;
    void FormCreate() override;
    void FormShow() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    RECT area_{};
    HDC dc_ = nullptr;
};

// The 25 flash windows, created once at start-up in index order.
extern std::array<TFlashForm*, MaxDefects> Flashes;
