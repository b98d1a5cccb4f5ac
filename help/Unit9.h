// TUeber: the credits dialog, opened from the about box.
#pragma once

#include "ui/Form.h"

class TUeber : public TForm {
public:
    TUeber();
};

extern TUeber* Ueber;
