// TAboutBox: the about box, opened from the tray menu's "Info".
#pragma once

#include "ui/Form.h"

class TAboutBox : public TForm {
public:
    TAboutBox();
};

extern TAboutBox* AboutBox;
