#include "capture/Unit6.h"

TFAusBla* FAusBla = nullptr;

// On black, the seventh swatch is white: all three sub-pixels lit.
TFAusBla::TFAusBla() : TColorChooser(L"TFAusBla", 426, 118, clBlack, clWhite, L"Weiß") {
}
