#include "app/Unit1.h"

#include "store/DataPath.h"
#include "store/DefectFile.h"
#include "ui/Application.h"

TForm1* Form1 = nullptr;
std::array<TPixForm*, MaxDefects> Overlays{};

namespace {

TFormDefinition Form1Definition() {
    TFormDefinition d;
    d.ClassName = L"TForm1";
    d.Caption = L"Form1";
    d.ClientWidth = 120;
    d.ClientHeight = 80;
    return d;
}

} // namespace

TForm1::TForm1() : TForm(Form1Definition()) {
    // Form1 is the main window of a tray program: the loop must never show it.
    if (Application)
        Application->ShowMainForm = false;
}

void TForm1::FormCreate() {
    HWND desktop = GetDesktopWindow();
    desktopDC_ = TWindowDC(desktop, GetWindowDC(desktop));
    DataDir = DirectoryPart(ExecutablePath());
    if (DefectFileExists(DefectFilePath()))
        LoadDefects();
}

void TForm1::FormClose(TCloseAction& /*action*/) {}

void TForm1::FormDestroy() {
    desktopDC_.Reset();
}

std::wstring TForm1::DefectFilePath() const {
    return DataDir + std::wstring(DefectFileName);
}

void TForm1::LoadDefects() {
    LoadDefectFile(DefectFilePath(), Defects);
}

void TForm1::SaveDefects() {
    SaveDefectFile(DefectFilePath(), Defects);
}

void TForm1::PlaceOverlays() {
    for (TPixForm* overlay : Overlays)
        overlay->Hide();
    for (int i = 0; i < Defects.Count(); ++i) {
        TPixForm* overlay = Overlays[static_cast<std::size_t>(i)];
        overlay->SetBounds(Defects[i].X, Defects[i].Y, 1, 1);
        // Shown (FormShow first), activated and raised: the last one ends up on top.
        overlay->Show();
    }
}
