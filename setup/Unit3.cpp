#include "setup/Unit3.h"

#include "app/Product.h"

TFHaupt* FHaupt = nullptr;

namespace {

TFormDefinition FHauptDefinition() {
    TFormDefinition d;
    d.ClassName = L"TFHaupt";
    d.Caption = std::wstring(ApplicationTitle) + L" - AKTIV";
    d.BorderStyle = TBorderStyle::bsDialog;
    d.Position = TPosition::poScreenCenter;
    d.ClientWidth = 399;
    d.ClientHeight = 355;
    return d;
}

} // namespace

TFHaupt::TFHaupt() : TForm(FHauptDefinition()) {}
