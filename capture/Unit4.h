// TFBack: the full-screen capture screen on which the user marks defective pixels.
#pragma once

#include "ui/Form.h"

class TFBack : public TForm {
public:
    TFBack();

protected:
    void FormCreate() override;
};

extern TFBack* FBack;
