// TFAusWhi: the colour chooser shown on the white capture background.
#pragma once

#include "capture/ColorChooser.h"

class TFAusWhi : public TColorChooser {
public:
    TFAusWhi();
};

extern TFAusWhi* FAusWhi;
