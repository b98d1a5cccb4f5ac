// TFAusBla: the colour chooser shown on the black capture background.
#pragma once

#include "ui/Form.h"

class TFAusBla : public TForm {
public:
    TFAusBla();
};

extern TFAusBla* FAusBla;
