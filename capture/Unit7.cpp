#include "capture/Unit7.h"

TFAusWhi* FAusWhi = nullptr;

// On white, the seventh swatch is black: all three sub-pixels dark.
TFAusWhi::TFAusWhi() : TColorChooser(L"TFAusWhi", 425, 123, clWhite, clBlack, L"Schwarz") {
}
