// TFAusWhi: the colour chooser shown on the white capture background.
#pragma once

#include "ui/Form.h"

class TFAusWhi : public TForm {
public:
    TFAusWhi();
};

extern TFAusWhi* FAusWhi;
