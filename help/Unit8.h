// TFAnleit: the two-page instructions window, opened modally from the setup window. Its only
// state is the page that shows, and that survives closing: the window reopens where it was left.
#pragma once

#include "ui/Controls.h"
#include "ui/Form.h"

class TFAnleit : public TForm {
public:
    TFAnleit();

    // The pages lie on top of each other; one group box shows at a time.
    TGroupBox GroupBox1; // page 1: marking defects
    TLabel Label2;
    TGroupBox GroupBox2; // page 2: deleting, pausing, starting with Windows
    TLabel Label1;
    // A third page is laid out but has no text, and nothing leads to it: Label6, the only way
    // in, is never shown. Its handlers are kept so that giving it a text is all it would take.
    TGroupBox GroupBox3;
    TLabel Label3;
    TLabel Label4;   // "Nächste >>": page 1 to page 2
    TLabel Label5;   // "<< Zurück": page 2 to page 1
    TLabel Label6;   // "Nächste >>": page 2 to page 3
    TLabel Label7;   // "<< Zurück": page 3 to page 2
    TButton Button1; // "Schließen"

    void Label4Click();
    void Label5Click();
    void Label6Click();
    void Label7Click();
    void Button1Click();
};

extern TFAnleit* FAnleit;
