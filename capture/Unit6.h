// TFAusBla: the colour chooser shown on the black capture background.
#pragma once

#include "capture/ColorChooser.h"

class TFAusBla : public TColorChooser {
public:
    TFAusBla();
};

extern TFAusBla* FAusBla;
