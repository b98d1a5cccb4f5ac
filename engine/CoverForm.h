// TCoverForm: what an overlay and a flash window have in common. Each is a small window in the
// always-on-top band that covers screen pixels for a defect: it never takes the focus, keeps
// the application window (and with it a task-bar button) hidden when it shows, paints its colour
// at once, stays where the program put it, and is put back on top of the band without being
// shown or activated.
#pragma once

#include "ui/Form.h"

class TCoverForm : public TForm {
public:
    // Covers of a higher layer may stand above those of a lower one without covering them: an
    // overlay conceals its pixel even inside a flashing area.
    enum class TLayer { Flash, Overlay };
    TLayer Layer() const noexcept { return layer_; }

    // Where the window belongs, in screen pixels; empty until it is first put somewhere.
    const RECT& Area() const noexcept { return area_; }

    // Puts the window on top of the always-on-top band without moving, sizing, showing or
    // activating it.
    void ReassertTopmost() const;
    // The same, also where the window system believes the window is on top already: Wine's
    // virtual desktop draws a window shown later above the topmost ones while its z-order still
    // puts them first, and a raise to where a window stands changes nothing there.
    void Restack() const;

    // The definition of a cover of this class, `width` x `height` physical pixels until placed.
    static TFormDefinition Definition(const wchar_t* className, const wchar_t* caption, int width,
                                      int height);

protected:
    TCoverForm(const TFormDefinition& definition, TLayer layer);

    // Moves the window onto `area` and keeps it there: nobody else moves or sizes it (the system
    // moves windows off a monitor that goes, and puts them back when it comes, each time onto a
    // healthy pixel).
    void Pin(const RECT& area);

    void FormCreate() override;
    void FormShow() override;
    // Each new colour paints at once, without an invalidation and a paint message: on a moving
    // picture every cover changes at every tick. A hidden window paints when it shows.
    void ColorChanged() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    TLayer layer_;
    RECT area_{};
    // The window's own device context (a class DC of its own), valid as long as the window and
    // never released: fetching a shared one for every colour resets it, which is not free.
    HDC dc_ = nullptr;
};
