// TUeber: the credits dialog, opened modally from the about box.
#pragma once

#include "ui/Controls.h"
#include "ui/Form.h"

class TUeber : public TForm {
public:
    TUeber();

    TPanel Panel2;
    // Declared before the text: the button reaches into the text's box and must lie above it.
    TButton Button1; // "OK": ends the modal loop with mrOk
    TLabel Label12;
};

extern TUeber* Ueber;
