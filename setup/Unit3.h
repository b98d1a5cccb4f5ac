// TFHaupt: the setup window, which lists the defects and carries the commands that change them.
#pragma once

#include "ui/Form.h"

class TFHaupt : public TForm {
public:
    TFHaupt();
};

extern TFHaupt* FHaupt;
