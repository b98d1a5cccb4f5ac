// TForm1: the tray form. It is the main window but never shown; it owns the state every other
// window reaches: the defect list, the desktop device context and the program's directory.
#pragma once

#include <array>
#include <string>

#include "engine/ConcealmentTick.h"
#include "engine/Unit2.h"
#include "store/DefectList.h"
#include "ui/Form.h"
#include "ui/Handles.h"

class TForm1 : public TForm {
public:
    TForm1();

    TDefectList Defects;
    // A device context of the whole desktop, taken once: every tick reads screen pixels through
    // it without obtaining or releasing one.
    HDC DesktopDC() const noexcept { return desktopDC_.Get(); }
    // The executable's directory with its trailing delimiter; set once in FormCreate.
    std::wstring DataDir;

    std::wstring DefectFilePath() const;
    void LoadDefects();
    void SaveDefects();
    // Puts overlay i over entry i of Defects and shows it, for every entry; hides the rest.
    void PlaceOverlays();

protected:
    void FormCreate() override;
    void FormClose(TCloseAction& action) override;
    void FormDestroy() override;

private:
    TWindowDC desktopDC_;
    TConcealmentTick tick_;
};

extern TForm1* Form1;
// The 25 overlay windows, created once at start-up in index order; overlay i covers entry i of
// Form1->Defects.
extern std::array<TPixForm*, MaxDefects> Overlays;
