// TPixForm: the one-pixel, always-on-top window that covers one defect. The program creates 25
// of them at start-up (Overlays); overlay i always belongs to entry i of the defect list.
#pragma once

#include "ui/Form.h"

class TPixForm : public TForm {
public:
    TPixForm();

    // Puts the overlay on top of the always-on-top band without moving, sizing, showing or
    // activating it (a hidden overlay stays hidden).
    void ReassertTopmost() const;

protected:
    void FormCreate() override;
    void FormShow() override;
};
