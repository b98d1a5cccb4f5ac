// TFReparatur: the repair window, opened modally from the setup window. It flashes the area
// around the chosen defects for the chosen time, with the other defects concealed meanwhile, and
// conceals them again when it ends: when the time is up, when the user stops it or clicks a
// flashing area, and when the window closes.
#pragma once

#include <array>
#include <cstdint>

#include "engine/ThreadTimer.h"
#include "repair/Flashing.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class TFReparatur : public TForm {
public:
    TFReparatur();

    TLabel Label1;             // what is repaired
    TLabel Label2;             // what a repair does
    TLabel Label3;             // the warning
    TGroupBox GroupBox1;       // "Dauer"
    TRadioButton RadioButton1; // 10 minutes
    TRadioButton RadioButton2; // 30 minutes
    TRadioButton RadioButton3; // 60 minutes
    TProgressBar ProgressBar1;
    TLabel Label4;   // the time left, or how the repair ended
    TButton Button1; // "Starten", "Stoppen" while it runs
    TButton Button2; // "Schließen"
    // The flash steps; the concealment tick of the other defects goes on beside it.
    TThreadTimer ThreadTimer1;

    // Opens the window for entry `index` of Form1->Defects, or with -1 for every entry, and
    // returns when it has closed, with the repair stopped.
    void Repair(int index);
    bool Running() const noexcept { return flashing_.Running(); }
    // After the monitors changed: the flashing areas go back to their pixels.
    void FollowDisplayChange();

    void Button1Click();
    void ThreadTimer1Timer(TComponent* sender);

protected:
    void FormShow() override;
    void FormClose(TCloseAction& action) override;
    void FormHide() override;

private:
    // The radio buttons in the order of RepairMinutes.
    std::array<TRadioButton*, 3> Choices() noexcept {
        return {&RadioButton1, &RadioButton2, &RadioButton3};
    }
    void StartRepair();
    void StopRepair(const wchar_t* status);
    // Shows the time left, when it has changed to the second.
    void ShowProgress(std::uint64_t elapsedMs);

    int index_ = -1;
    TFlashing flashing_;
    std::uint64_t started_ = 0;
    std::uint64_t durationMs_ = 0;
    std::uint64_t shownSeconds_ = 0;
};

extern TFReparatur* FReparatur;
