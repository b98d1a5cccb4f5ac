// TFHaupt: the setup window. It lists the defects and carries the commands that change them,
// the switch that pauses and resumes the concealment, and the way out of the program.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/Menus.h"

class TFHaupt : public TForm {
public:
    TFHaupt();

    TLabel Label1;
    TListBox ListBox1;
    TButton Button1;           // "Pixelfehler definieren"
    TButton Button2;           // "Alle Einträge löschen"
    TButton Button4;           // "In den Tray"
    TButton Button5;           // "Beenden"
    TButton Button6;           // "Anleitung"
    TButton Button7;           // "Einzelnen Eintrag löschen"
    TSpeedButton SpeedButton1; // off picture: resumes
    TSpeedButton SpeedButton2; // on picture: pauses
    TSpeedButton BDeaNULL;     // off picture, no action: nothing to conceal
    TLabel Label3;
    // ListBox1's context menu: a right click on a line, Shift+F10 or the menu key.
    TPopupMenu PopupMenu1;
    TMenuItem* Pixelreparieren1 = nullptr;     // "Pixel reparieren...": the selected entry
    TMenuItem* AllePixelreparieren1 = nullptr; // "Alle Pixel reparieren...": every entry
    TMenuItem* Positionpruefen1 = nullptr;     // "Position prüfen...": the selected entry

    // The list refresh: rebuilds the list from Form1->Defects each time the window is shown and
    // after every change of the list.
    void FormShow() override;
    // After the monitors changed: the lines say again which defects their screens do not show;
    // the selection stays.
    void RefreshNotes();

    // The commands that change the list. Each stops the timer, changes the list, refreshes this
    // window, writes the file, places the overlays and starts the timer again; a failed save is
    // reported after that, and the command ends as after a save.
    void Button1Click(); // capture new defects
    void Button7Click(); // delete the selected entry
    void DeleteAll();

    void Button4Click();
    void Button5Click();
    void Button6Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Pixelreparieren1Click(); // also a double click on a line
    void AllePixelreparieren1Click();
    void Positionpruefen1Click();

private:
    enum class TAfterChange {
        RefreshAndPlace, // the list view is rebuilt and the overlays placed on the new list
        Nothing,         // the change has emptied the list view and hidden the overlays itself
    };
    // The road of every command that changes the list: the timer stops, the list changes, the
    // list view is refreshed, the file is written, the overlays are placed, the timer starts
    // again. A failed save does not stop the road; it is reported at its end, and the result
    // is false.
    bool ChangeDefects(const std::function<void()>& change,
                       TAfterChange after = TAfterChange::RefreshAndPlace);
    // Puts entry `index` at (x, y) by that road: the one place where an entry's coordinates
    // change. The list keeps the entry selected.
    void MoveDefect(int index, std::int32_t x, std::int32_t y);

    // The on and off pictures at the buttons' size for 100, 150 and 200 %.
    std::array<TBitmapHandle, 3> onPictures_;
    std::array<TBitmapHandle, 3> offPictures_;
};

extern TFHaupt* FHaupt;
