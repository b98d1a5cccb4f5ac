#include "capture/Unit12.h"

#include "app/Unit1.h"
#include "ui/Dpi.h"

TFPruefen* FPruefen = nullptr;

namespace {

const wchar_t HintText[] = L"Pfeiltasten: verschieben · Eingabe: übernehmen · Esc: abbrechen";

// Far enough that the eye, resting on the defect, is not drawn to the text.
constexpr int HintClearance = 100;
// At 96 DPI: the height of the hint's characters, its distance from the screen's edge, and the
// room around the text.
constexpr int HintFontHeight = 16;
constexpr int HintMargin = 24;
constexpr int HintPadding = 8;

constexpr UINT_PTR BlinkTimer = 1;

TFormDefinition FPruefenDefinition() {
    TFormDefinition d;
    d.ClassName = L"TFPruefen";
    // Screen readers name the window by its text: what the keys do.
    d.Caption = HintText;
    d.BorderStyle = TBorderStyle::bsNone;
    d.FormStyle = TFormStyle::fsStayOnTop;
    d.Color = clBlack;
    d.Scaled = false;
    return d;
}

TPixelRect ToPixelRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

TPixelRect PixelAt(TPixelPoint p) {
    return {p.X, p.Y, p.X + 1, p.Y + 1};
}

} // namespace

TFPruefen::TFPruefen() : TForm(FPruefenDefinition()) {
}

std::optional<TPixelPoint> TFPruefen::Check(int index) {
    const TDefectList& defects = Form1->Defects;
    if (Visible() || index < 0 || index >= defects.Count())
        return std::nullopt;
    // Where the cover is today: its panel may have moved on the desktop since the marking.
    const TPixForm& placed = *Overlays[static_cast<std::size_t>(index)];
    const RECT& area = placed.Area();
    marked_ = cover_ = placed.Unplaced() || IsRectEmpty(&area)
                           ? TPixelPoint{defects[index].X, defects[index].Y}
                           : TPixelPoint{area.left, area.top};
    onBlack_ = CheckOnBlack(defects[index].Flags);
    accepted_ = false;
    SetColor(onBlack_ ? clBlack : clWhite);
    // The overlay would conceal the very defect the user looks for; the cover drawn here takes
    // its place. The ticks go on for the other overlays.
    TPixForm& overlay = *Overlays[static_cast<std::size_t>(index)];
    overlay.Hold();
    struct TRelease {
        TPixForm& overlay;
        ~TRelease() { overlay.Release(); }
    } release{overlay};
    ShowModal();
    if (!accepted_)
        return std::nullopt;
    return cover_;
}

void TFPruefen::FormShow() {
    CoverVirtualScreen();
    ReadMonitors();
    PlaceHint();
    blinks_ = 0;
    SetTimer(Handle(), BlinkTimer, CoverBlinkMs, nullptr);
}

void TFPruefen::FormHide() {
    KillTimer(Handle(), BlinkTimer);
}

void TFPruefen::ReadMonitors() {
    monitors_.clear();
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM param) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info))
                reinterpret_cast<std::vector<TMonitor>*>(param)->push_back(
                    {monitor, ToPixelRect(info.rcMonitor), ToPixelRect(info.rcWork)});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors_));
    std::vector<TPixelRect> areas;
    for (const TMonitor& monitor : monitors_)
        areas.push_back(monitor.Area);
    layout_ = TScreenLayout(areas);
}

void TFPruefen::MoveCover(int dx, int dy) {
    const TPixelPoint to = StepCover(cover_, dx, dy, layout_);
    if (to == cover_)
        return;
    Repaint(PixelAt(cover_));
    cover_ = to;
    Repaint(PixelAt(cover_));
    // The hint stays where it is as long as it may: text that jumps about draws the eye.
    const TPixelPoint keepClearOf[] = {marked_, cover_};
    if (!hint_ || !KeepsClear(*hint_, keepClearOf, HintClearance)) {
        if (hint_)
            Repaint(*hint_);
        PlaceHint();
        if (hint_)
            Repaint(*hint_);
    }
}

void TFPruefen::PlaceHint() {
    hint_.reset();
    hintFont_.Reset();
    // The cover's monitor first: the hint is read where the user looks.
    std::vector<const TMonitor*> order;
    for (const TMonitor& monitor : monitors_)
        if (monitor.Area.Contains(cover_.X, cover_.Y))
            order.push_back(&monitor);
    for (const TMonitor& monitor : monitors_)
        if (!monitor.Area.Contains(cover_.X, cover_.Y))
            order.push_back(&monitor);
    const TPixelPoint keepClearOf[] = {marked_, cover_};
    HDC dc = GetDC(Handle());
    for (const TMonitor* monitor : order) {
        // Drawn for the DPI of the monitor it stands on.
        const UINT dpi = DpiForMonitor(monitor->Handle);
        LOGFONTW logFont{};
        logFont.lfHeight = -ScaleToDpi(HintFontHeight, dpi);
        logFont.lfWeight = FW_NORMAL;
        logFont.lfCharSet = DEFAULT_CHARSET;
        FontFaceForDpi(DefaultFont().Face, dpi).copy(logFont.lfFaceName, LF_FACESIZE - 1);
        TFontHandle font(CreateFontIndirectW(&logFont));
        SIZE text{};
        HGDIOBJ previous = SelectObject(dc, font.Get());
        GetTextExtentPoint32W(dc, HintText, static_cast<int>(std::size(HintText) - 1), &text);
        SelectObject(dc, previous);
        const int padding = ScaleToDpi(HintPadding, dpi);
        if (auto place = HintPlace(monitor->WorkArea, text.cx + 2 * padding, text.cy + 2 * padding,
                                   ScaleToDpi(HintMargin, dpi), keepClearOf, HintClearance)) {
            hint_ = place;
            hintFont_ = std::move(font);
            break;
        }
    }
    ReleaseDC(Handle(), dc);
}

RECT TFPruefen::ClientRect(const TPixelRect& area) const {
    RECT r{area.Left, area.Top, area.Right, area.Bottom};
    POINT origin{0, 0};
    ClientToScreen(Handle(), &origin);
    OffsetRect(&r, -origin.x, -origin.y);
    return r;
}

void TFPruefen::Repaint(const TPixelRect& area) {
    const RECT r = ClientRect(area);
    InvalidateRect(Handle(), &r, TRUE);
}

void TFPruefen::Paint(HDC dc) {
    const RECT cover = ClientRect(PixelAt(cover_));
    SetDCBrushColor(dc, CoverColor(onBlack_, blinks_));
    FillRect(dc, &cover, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (!hint_)
        return;
    RECT text = ClientRect(*hint_);
    HGDIOBJ previous = SelectObject(dc, hintFont_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, onBlack_ ? RGB(255, 255, 255) : RGB(0, 0, 0));
    DrawTextW(dc, HintText, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
}

LRESULT TFPruefen::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(Handle(), &paint))
            Paint(dc);
        EndPaint(Handle(), &paint);
        return 0;
    }
    case WM_TIMER:
        if (wParam != BlinkTimer)
            break;
        ++blinks_;
        Repaint(PixelAt(cover_));
        return 0;
    case WM_KEYDOWN: {
        const int step = GetKeyState(VK_SHIFT) < 0 ? 10 : 1;
        switch (wParam) {
        case VK_LEFT:
            MoveCover(-step, 0);
            break;
        case VK_RIGHT:
            MoveCover(step, 0);
            break;
        case VK_UP:
            MoveCover(0, -step);
            break;
        case VK_DOWN:
            MoveCover(0, step);
            break;
        case VK_RETURN:
            accepted_ = true;
            Close();
            break;
        case VK_ESCAPE:
            Close();
            break;
        default:
            break;
        }
        return 0;
    }
    // On the release: a press that closed the check would leave its release, and the menu that
    // the release asks for, to the setup window's list beneath.
    case WM_RBUTTONUP:
        Close();
        return 0;
    case WM_CONTEXTMENU:
        return 0;
    // Another mode, a monitor docked or turned: the place under the cover may now be another
    // pixel of the panel, or on none. The check ends and the entry stays as it was.
    case WM_DISPLAYCHANGE:
        Close();
        break;
    default:
        break;
    }
    return TForm::WndProc(message, wParam, lParam);
}
