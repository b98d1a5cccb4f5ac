// TFAnleit: the two-page instructions window.
#pragma once

#include "ui/Form.h"

class TFAnleit : public TForm {
public:
    TFAnleit();
};

extern TFAnleit* FAnleit;
