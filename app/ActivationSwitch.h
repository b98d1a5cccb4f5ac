// Pausing and resuming the concealment, and the three looks that show its state: which picture
// button the setup window shows, its caption, and the tray icon's picture.
#pragma once

enum class TLook {
    Active, // overlays shown, the "on" picture button
    Paused, // overlays hidden, the "off" picture button resumes
    Empty,  // nothing to conceal
};

// Sets the picture buttons, the setup window's caption and the icon of the tray and the window.
void ShowLook(TLook look);

// Shows the overlays of every entry (without raising them) and the active look.
void ResumeConcealment();
// Hides the overlays of every entry and shows the paused look. The timer keeps running, so the
// hidden overlays keep current colours.
void PauseConcealment();
// The tray icon's double click: pauses or resumes, but only while the setup window's list has
// shown entries.
void ToggleConcealment();
