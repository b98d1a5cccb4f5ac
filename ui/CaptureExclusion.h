// Whether a window may ask to be left out of screen captures. Platform-neutral: the decision is
// tested natively, the asking is the form's.
#pragma once

// Windows 10 version 2004 (build 19041) and later leave a window that asks out of every screen
// capture, recording and shared screen. Earlier builds know the same request as something else,
// which shows a black box in the window's place; there it must not be made.
bool CanLeaveOutOfCaptures(unsigned major, unsigned minor, unsigned build) noexcept;
