// The pictures bound into Glimmora.exe, read back through the same calls the program uses:
// the capture cursor pixel by pixel with its hot spot, the icons in the sizes the tray and
// Explorer ask for, and the two button pictures.
#include <windows.h>

#include <gtest/gtest.h>

#include "capture/CaptureCursor.h"
#include "tests/support/DibSection.h"
#include "tests/support/WinePath.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

// Glimmora.exe mapped for its resources only; none of its code runs.
class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t exe[4096] = {};
        if (GetEnvironmentVariableW(L"GLIMMORA_EXE", exe, 4096))
            module = LoadLibraryExW(WindowsPath(exe).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() {
        if (module)
            FreeLibrary(module);
        module = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(module, nullptr) << "GLIMMORA_EXE must name the built Glimmora.exe";
    }

    static HMODULE module;
};

HMODULE Resources::module = nullptr;

// The bitmaps GetIconInfo hands out belong to the caller.
struct IconParts {
    explicit IconParts(HICON icon) { valid = GetIconInfo(icon, &info) != FALSE; }
    ~IconParts() {
        if (info.hbmMask)
            DeleteObject(info.hbmMask);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
    }
    IconParts(const IconParts&) = delete;
    IconParts& operator=(const IconParts&) = delete;

    bool valid;
    ICONINFO info{};
};

struct LoadedImage {
    LoadedImage(HMODULE module, const wchar_t* name, UINT type, int size, UINT flags)
        : kind(type), handle(LoadImageW(module, name, type, size, size, flags)) {}
    ~LoadedImage() {
        if (!handle)
            return;
        if (kind == IMAGE_BITMAP)
            DeleteObject(handle);
        else if (kind == IMAGE_CURSOR)
            DestroyCursor(static_cast<HCURSOR>(handle));
        else
            DestroyIcon(static_cast<HICON>(handle));
    }
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;

    HICON Icon() const { return static_cast<HICON>(handle); }
    HBITMAP Bitmap() const { return static_cast<HBITMAP>(handle); }

    UINT kind;
    HANDLE handle;
};

BITMAP BitmapOf(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    return info;
}

// --- The capture cursor ------------------------------------------------------------------------

// A monochrome cursor has no colour bitmap: its mask holds the AND mask above the XOR mask.
struct CursorMasks {
    explicit CursorMasks(HCURSOR cursor) : parts(cursor) {
        if (!parts.valid || parts.info.hbmColor || !parts.info.hbmMask)
            return;
        const BITMAP mask = BitmapOf(parts.info.hbmMask);
        if (mask.bmBitsPixel != 1 || mask.bmHeight != 2 * mask.bmWidth)
            return;
        size = mask.bmWidth;
        rowBytes = mask.bmWidthBytes;
        bits.resize(static_cast<std::size_t>(rowBytes) * mask.bmHeight);
        if (GetBitmapBits(parts.info.hbmMask, static_cast<LONG>(bits.size()), bits.data()) !=
            static_cast<LONG>(bits.size()))
            size = 0;
    }
    int Bit(int x, int row) const {
        return (bits[static_cast<std::size_t>(row * rowBytes + x / 8)] >> (7 - x % 8)) & 1;
    }
    // Off the picture counts as leaving the screen as it is.
    bool Inverts(int x, int y) const {
        return x >= 0 && y >= 0 && x < size && y < size && Bit(x, y) && Bit(x, size + y);
    }
    bool Clear(int x, int y) const { return Bit(x, y) && !Bit(x, size + y); }

    IconParts parts;
    int size = 0; // 0: not a monochrome cursor, or unreadable
    int rowBytes = 0;
    std::vector<std::uint8_t> bits;
};

// The capture cursor inverts what it covers: a cross-hair whose ring is the eight neighbours of
// the hot spot, with the hot spot itself clear. At 150 and 200 % the capture screen shows a frame
// drawn for that size, not the 32-pixel one stretched: the same cross-hair with longer arms,
// every line one pixel wide.
TEST_F(Resources, EveryCursorFrameFramesOnePhysicalPixel) {
    const struct {
        UINT dpi;
        int size;
    } cases[] = {{96, 32}, {120, 32}, {144, 48}, {168, 48}, {192, 64}, {288, 64}};
    const TCaptureCursor cursor(module);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " DPI");
        CursorMasks masks(cursor.ForDpi(c.dpi));
        ASSERT_EQ(masks.size, c.size);
        EXPECT_FALSE(masks.parts.info.fIcon) << "a cursor, with a hot spot of its own";
        const int hot = c.size / 2 - 1;
        EXPECT_EQ(masks.parts.info.xHotspot, UINT(hot));
        EXPECT_EQ(masks.parts.info.yHotspot, UINT(hot));

        int inverted = 0;
        for (int y = 0; y < c.size; ++y)
            for (int x = 0; x < c.size; ++x) {
                ASSERT_EQ(masks.Bit(x, y), 1) << "an opaque pixel at (" << x << ", " << y << ")";
                inverted += masks.Inverts(x, y);
            }
        EXPECT_TRUE(masks.Clear(hot, hot)) << "the hot-spot pixel";
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                EXPECT_TRUE(masks.Inverts(hot + dx, hot + dy) || (!dx && !dy)) << "the ring";

        // Each arm, from the ring out to a bar across its end.
        const int directions[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        int accounted = 4; // the ring's diagonals
        for (const auto& d : directions) {
            auto inverts = [&](int along, int across) {
                return masks.Inverts(hot + d[0] * along + d[1] * across,
                                     hot + d[1] * along + d[0] * across);
            };
            int reach = 0;
            while (inverts(reach + 1, 0))
                ++reach;
            EXPECT_EQ(reach * 32, 10 * c.size) << "arms scale with the frame";
            int half = 0;
            while (inverts(reach, half + 1) && inverts(reach, -half - 1))
                ++half;
            EXPECT_GE(half, 1) << "an end bar";
            accounted += reach + 2 * half;
        }
        // Around the arms (one pixel wide up to the bars) nothing but the ring's diagonals and
        // the bars, each one pixel thick and centred on its arm.
        EXPECT_EQ(inverted, accounted);
    }
}

// --- Icons ---------------------------------------------------------------------------------------

struct IconEntry {
    int size;
    int bitsPerPixel;
    int id; // of the RT_ICON resource holding the picture
};

// The pictures an icon resource offers, as its group directory lists them.
std::vector<IconEntry> IconDirectory(HMODULE module, const wchar_t* name) {
    HRSRC found = FindResourceW(module, name, RT_GROUP_ICON);
    if (!found)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    const DWORD length = bytes ? SizeofResource(module, found) : 0;
    auto word = [&](DWORD at) { return static_cast<int>(bytes[at] | bytes[at + 1] << 8); };
    std::vector<IconEntry> entries;
    const int count = length >= 6 ? word(4) : 0;
    for (int i = 0; i < count && 6 + 14 * DWORD(i + 1) <= length; ++i) {
        const DWORD at = 6 + 14 * DWORD(i);
        entries.push_back({bytes[at] == 0 ? 256 : bytes[at], word(at + 6), word(at + 12)});
    }
    return entries;
}

// The icon loads at `size` pixels, with a colour picture of that size.
void ExpectIconOfSize(HMODULE module, const wchar_t* name, int size) {
    SCOPED_TRACE(size);
    LoadedImage icon(module, name, IMAGE_ICON, size, 0);
    ASSERT_NE(icon.handle, nullptr);
    IconParts parts(icon.Icon());
    ASSERT_TRUE(parts.valid);
    EXPECT_TRUE(parts.info.fIcon);
    ASSERT_NE(parts.info.hbmColor, nullptr);
    EXPECT_EQ(BitmapOf(parts.info.hbmColor).bmWidth, size);
    EXPECT_EQ(BitmapOf(parts.info.hbmColor).bmHeight, size);
}

struct IconCase {
    const wchar_t* name;
    std::vector<int> sizes;
    int smallBits; // of the 16-pixel picture
};

const IconCase IconCases[] = {
    {L"MAINICON", {16, 20, 24, 32, 48, 256}, 4},
    {L"ICO_AK", {16, 20, 24, 32, 48}, 4},
    {L"ICO_DK", {16, 20, 24, 32, 48}, 8},
};

TEST_F(Resources, IconsOfferEverySizeAndTheSmallPictureInItsPalette) {
    for (const IconCase& c : IconCases) {
        SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
        std::vector<int> sizes;
        for (const IconEntry& entry : IconDirectory(module, c.name)) {
            sizes.push_back(entry.size);
            if (entry.size == 16)
                EXPECT_EQ(entry.bitsPerPixel, c.smallBits);
            else
                EXPECT_EQ(entry.bitsPerPixel, 32);
        }
        EXPECT_EQ(sizes, c.sizes);

        for (int size : {16, 32})
            ExpectIconOfSize(module, c.name, size);
    }
}

// Pixels as 0xRRGGBB, rows from the top.
using Pixels = std::vector<std::uint32_t>;

constexpr std::uint32_t Backdrop = 0x123456; // in none of the pictures
constexpr std::uint32_t White = 0xFFFFFF, Silver = 0xC0C0C0, Grey = 0x808080, Black = 0x000000,
                        Red = 0xFF0000, Lime = 0x00FF00, Blue = 0x0000FF;

// Reads `size` × `size` pixels from a top-down 32-bit section on which `draw` has painted.
template <typename Draw>
Pixels Capture(int size, std::uint32_t background, Draw draw) {
    TDibSection section(size, size);
    const std::size_t count = static_cast<std::size_t>(size) * size;
    std::fill(section.Bits(), section.Bits() + count, background);
    draw(section.Dc());
    GdiFlush();
    Pixels pixels(section.Bits(), section.Bits() + count);
    for (std::uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

Pixels Render(HMODULE module, const wchar_t* name, int size) {
    LoadedImage icon(module, name, IMAGE_ICON, size, 0);
    if (!icon.handle)
        return {};
    return Capture(size, Backdrop, [&](HDC dc) {
        DrawIconEx(dc, 0, 0, icon.Icon(), size, size, 0, nullptr, DI_NORMAL);
    });
}

struct ColourRun {
    std::uint32_t colour;
    int length;
    bool operator==(const ColourRun&) const = default;
};

// The colours met along row y, from the left, each with how many pixels it lasts; the backdrop
// showing through at either end is left out.
std::vector<ColourRun> RunsAlongRow(const Pixels& pixels, int size, int y) {
    std::vector<ColourRun> runs;
    for (int x = 0; x < size; ++x) {
        const std::uint32_t colour = pixels[static_cast<std::size_t>(y * size + x)];
        if (!runs.empty() && runs.back().colour == colour)
            ++runs.back().length;
        else
            runs.push_back({colour, 1});
    }
    if (!runs.empty() && runs.back().colour == Backdrop)
        runs.pop_back();
    if (!runs.empty() && runs.front().colour == Backdrop)
        runs.erase(runs.begin());
    return runs;
}

// "FFFFFF C0C0C0 …": colours as one reads them in a failure message.
std::string Hex(const std::vector<std::uint32_t>& colours) {
    std::string text;
    for (std::uint32_t colour : colours) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%06X", static_cast<unsigned>(colour));
        text += (text.empty() ? "" : " ") + std::string(digits);
    }
    return text;
}

std::string HexOfRuns(const std::vector<ColourRun>& runs) {
    std::vector<std::uint32_t> colours;
    for (const ColourRun& run : runs)
        colours.push_back(run.colour);
    return Hex(colours);
}

// Outline, bezel, screen, bezel, outline across the middle of the screen; the stand grey and
// the backdrop showing beside it.
void ExpectMonitor(const Pixels& pixels, int size, const std::vector<std::uint32_t>& screen) {
    std::vector<std::uint32_t> across{White, Silver};
    across.insert(across.end(), screen.begin(), screen.end());
    across.insert(across.end(), {Silver, White});
    EXPECT_EQ(HexOfRuns(RunsAlongRow(pixels, size, size * 7 / 16)), Hex(across));

    auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y * size + x)]; };
    EXPECT_EQ(Hex({at(size / 2, size - 1)}), Hex({Grey}));
    for (int y : {size - 2, size - 1})
        EXPECT_EQ(Hex({at(0, y), at(size - 1, y)}), Hex({Backdrop, Backdrop})) << "row " << y;
}

TEST_F(Resources, ActiveIconShowsRedGreenAndBlueBarsOfEqualWidth) {
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        const Pixels active = Render(module, L"ICO_AK", size);
        ASSERT_EQ(active.size(), std::size_t(size * size));
        ExpectMonitor(active, size, {Red, Lime, Blue});
        const std::vector<ColourRun> runs = RunsAlongRow(active, size, size * 7 / 16);
        ASSERT_EQ(runs.size(), 7u);
        EXPECT_EQ(runs[2].length, runs[3].length);
        EXPECT_EQ(runs[3].length, runs[4].length);

        EXPECT_EQ(Render(module, L"MAINICON", size), active) << "the program's icon differs";
    }
}

// Explorer's largest views. The picture is stored as a PNG file to keep the exe small; drawn,
// it must be the same monitor as the bitmaps give, at full size rather than scaled up from 48.
TEST_F(Resources, ProgramIconDrawsAt256PixelsFromAPngPicture) {
    constexpr int Size = 256;
    int id = 0;
    for (const IconEntry& entry : IconDirectory(module, L"MAINICON"))
        if (entry.size == Size)
            id = entry.id;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GE(SizeofResource(module, found), sizeof signature);
    EXPECT_TRUE(std::equal(std::begin(signature), std::end(signature), bytes));
    EXPECT_LT(SizeofResource(module, found), 8192u);

    ExpectIconOfSize(module, L"MAINICON", Size);

    const Pixels pixels = Render(module, L"MAINICON", Size);
    ASSERT_EQ(pixels.size(), std::size_t(Size * Size));
    ExpectMonitor(pixels, Size, {Red, Lime, Blue});
    // At 256 pixels: an 8-pixel outline, a 16-pixel bezel and bars of 69, with the body one
    // column short of the full width so that the bars come out equal.
    std::vector<int> lengths;
    for (const ColourRun& run : RunsAlongRow(pixels, Size, Size * 7 / 16))
        lengths.push_back(run.length);
    EXPECT_EQ(lengths, (std::vector<int>{8, 16, 69, 69, 69, 16, 8}));

    // Clear where nothing is drawn, above the body and beside the stand; the neck grey.
    auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y * Size + x)]; };
    EXPECT_EQ(Hex({at(0, 0), at(Size - 1, 0), at(0, Size * 7 / 8), at(Size / 2, Size * 7 / 8)}),
              Hex({Backdrop, Backdrop, Backdrop, Grey}));
}

TEST_F(Resources, PausedIconShowsBlackLettersOnAGreyScreen) {
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        const Pixels paused = Render(module, L"ICO_DK", size);
        ASSERT_EQ(paused.size(), std::size_t(size * size));
        // Across the middle the row passes through both letters: O's two sides, F's stem.
        ExpectMonitor(paused, size, {Grey, Black, Grey, Black, Grey, Black, Grey});
        EXPECT_EQ(std::count_if(paused.begin(), paused.end(),
                                [](std::uint32_t pixel) {
                                    return pixel == Red || pixel == Lime || pixel == Blue;
                                }),
                  0);
    }
}

// --- Button pictures -----------------------------------------------------------------------------

struct Tally {
    int count = 0;
    double sumX = 0, sumY = 0;
    void Add(int x, int y) {
        ++count;
        sumX += x;
        sumY += y;
    }
    double MeanX() const { return sumX / count; }
    double MeanY() const { return sumY / count; }
};

// The picture as the screen gets it: blitted onto a 32-bit section.
Pixels Blit(HBITMAP bitmap, int size) {
    return Capture(size, Backdrop, [&](HDC dc) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, bitmap);
        BitBlt(dc, 0, 0, size, size, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    });
}

struct ButtonCase {
    const wchar_t* name;
    int size;
    int bitsPerPixel;
    bool scatter;
    bool greenCaption; // otherwise red
};

// 111 pixels at 96 DPI, as the button has always been, and its size at 144 and 192 DPI.
const ButtonCase ButtonCases[] = {
    {L"BTN_ON", 111, 24, true, true},    {L"BTN_OFF", 111, 24, false, false},
    {L"BTN_ON_167", 167, 8, true, true}, {L"BTN_OFF_167", 167, 8, false, false},
    {L"BTN_ON_222", 222, 8, true, true}, {L"BTN_OFF_222", 222, 8, false, false},
};

TEST_F(Resources, ButtonPicturesCarryTheirCaptionAndScatterAtEverySize) {
    for (const ButtonCase& c : ButtonCases) {
        SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
        const int size = c.size;
        LoadedImage picture(module, c.name, IMAGE_BITMAP, 0, LR_CREATEDIBSECTION);
        ASSERT_NE(picture.handle, nullptr);
        DIBSECTION section{};
        ASSERT_EQ(GetObjectW(picture.Bitmap(), sizeof section, &section), int(sizeof section));
        EXPECT_EQ(section.dsBm.bmWidth, size);
        EXPECT_EQ(section.dsBm.bmHeight, size);
        EXPECT_EQ(section.dsBmih.biBitCount, c.bitsPerPixel);

        const Pixels pixels = Blit(picture.Bitmap(), size);
        auto at = [&](int x, int y) {
            const bool inside = x >= 0 && y >= 0 && x < size && y < size;
            return inside ? pixels[static_cast<std::size_t>(y * size + x)] : Backdrop;
        };
        Tally red, lime, blue;
        int isolated = 0; // scatter pixels with none of their colour among the eight around
        // Everything above the caption.
        for (int y = 0; y < size * 3 / 4; ++y)
            for (int x = 0; x < size; ++x) {
                const std::uint32_t pixel = at(x, y);
                if (pixel != Red && pixel != Lime && pixel != Blue)
                    continue;
                (pixel == Red ? red : pixel == Lime ? lime : blue).Add(x, y);
                bool alone = true;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if ((dx || dy) && at(x + dx, y + dy) == pixel)
                            alone = false;
                isolated += alone;
            }
        const double area = double(size) * size / (111.0 * 111.0);
        if (c.scatter) {
            ASSERT_GT(red.count, 100 * area);
            ASSERT_GT(lime.count, 100 * area);
            ASSERT_GT(blue.count, 100 * area);
            EXPECT_LT(red.MeanY(), lime.MeanY());
            EXPECT_LT(lime.MeanY(), blue.MeanY());
            EXPECT_LT(blue.MeanX(), red.MeanX());
            // Lit sub-pixels are single pixels at every size: some 8 % of them stand alone
            // where drawn, under 1 % in a picture enlarged by 1.5, none by 2.
            EXPECT_GT(isolated, (red.count + lime.count + blue.count) / 25);
        } else {
            EXPECT_EQ(red.count + lime.count + blue.count, 0);
        }

        // The caption at the lower left, below the scatter.
        int reddish = 0, greenish = 0;
        for (int y = size * 3 / 4; y < size; ++y)
            for (int x = 0; x < size / 2; ++x) {
                const int r = at(x, y) >> 16, g = (at(x, y) >> 8) & 0xFF, b = at(x, y) & 0xFF;
                reddish += r > 0x80 && g < 0x40 && b < 0x40;
                greenish += g > 0x80 && r < 0x40 && b < 0x40;
            }
        EXPECT_GT(c.greenCaption ? greenish : reddish, 40 * area);
        EXPECT_EQ(c.greenCaption ? reddish : greenish, 0);
    }
}

// A button's picture comes from the set by the button's size: drawn 1:1 where one fits.
TEST_F(Resources, PictureButtonDrawsThePictureOfItsSizePixelForPixel) {
    TApplication app;
    app.Initialize();
    TFormDefinition definition;
    definition.ClassName = L"TPictureForm";
    TForm form(definition);
    TSpeedButton button(form, nullptr, {0, 0, 111, 111}, L"Bild", nullptr);
    form.Create();

    std::vector<std::unique_ptr<LoadedImage>> pictures;
    std::vector<HBITMAP> handles;
    for (const wchar_t* name : {L"BTN_ON_222", L"BTN_ON", L"BTN_ON_167"}) {
        pictures.push_back(
            std::make_unique<LoadedImage>(module, name, IMAGE_BITMAP, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(pictures.back()->handle, nullptr);
        handles.push_back(pictures.back()->Bitmap());
    }
    button.SetPictures(handles);
    for (HBITMAP picture : handles) {
        const int size = BitmapOf(picture).bmWidth;
        SCOPED_TRACE(size);
        const Pixels drawn = Capture(size, Backdrop, [&](HDC dc) {
            DRAWITEMSTRUCT item{};
            item.CtlType = ODT_BUTTON;
            item.hwndItem = button.Handle();
            item.hDC = dc;
            item.rcItem = {0, 0, size, size};
            SendMessageW(form.Handle(), WM_DRAWITEM, static_cast<WPARAM>(button.Id()),
                         reinterpret_cast<LPARAM>(&item));
        });
        EXPECT_TRUE(drawn == Blit(picture, size));
    }
}

} // namespace
