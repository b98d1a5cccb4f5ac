// TAboutBox: the about box, opened without a modal loop from the tray menu's "Info". It names the
// program and its makers and carries three links: two e-mail addresses and the home page.
#pragma once

#include <functional>
#include <string>

#include "ui/Controls.h"
#include "ui/Form.h"

class TAboutBox : public TForm {
public:
    TAboutBox();

    TPanel Panel1;
    TImage ProgramIcon;
    TLabel ProductName;
    TLabel Label10;
    TLabel Label3;
    TLabel Label1; // first author
    TLabel Label4;
    TLabel Label2; // second author
    TLabel Label5;
    TLabel Label7; // first contact address (link)
    TLabel Label6; // second contact address (link)
    TLabel Label8;
    TLabel Label9; // home page (link)
    TLabel Label11;
    TEdit Edit1; // where the defects are kept, to select and copy
    TButton OKButton;
    TButton Button1; // "Über"

    // Hands a link target to the shell; replaceable so that a test can see the targets without
    // starting a browser or a mail program. Failures are not reported: the box stays as it is.
    std::function<void(const std::wstring& target)> OpenLink;

    void OKButtonClick();
    void Button1Click();
    void Label7Click();
    void Label6Click();
    void Label9Click();

protected:
    void FormShow() override;

private:
    // The three links react to the mouse alike.
    void LinkMouseEnter(TLabel& link);
    void LinkMouseLeave(TLabel& link);
    void MakeLink(TLabel& link, void (TAboutBox::*click)());
};

extern TAboutBox* AboutBox;
