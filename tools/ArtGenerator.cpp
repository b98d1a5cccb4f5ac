// Draws Glimmora's icons, the capture cursor and the two pictures of the activation buttons,
// and writes them into the resource folder given as the only argument:
//
//   art_generator <resources folder>
//
// The art is code so that a change to it is reviewed like any other change and the files can
// always be made again from nothing. Nothing in it depends on the clock or the locale, and the
// scatter of the on picture comes from a fixed random sequence: running it again gives the
// same files.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tools/ImageFiles.h"

namespace art {
namespace {

constexpr Rgba White = Opaque(0xFF, 0xFF, 0xFF);
constexpr Rgba Silver = Opaque(0xC0, 0xC0, 0xC0);
constexpr Rgba Grey = Opaque(0x80, 0x80, 0x80);
constexpr Rgba Black = Opaque(0x00, 0x00, 0x00);
constexpr Rgba Red = Opaque(0xFF, 0x00, 0x00);
constexpr Rgba Lime = Opaque(0x00, 0xFF, 0x00);
constexpr Rgba Blue = Opaque(0x00, 0x00, 0xFF);

// --- The monitor of the icons ----------------------------------------------------------------
//
// One design at every size: a body with a white outline and a light grey bezel around the
// screen, a grey neck and a grey foot, clear around the stand. Thicknesses grow with the size
// in whole pixels, so each size is drawn sharp rather than scaled.

struct MonitorLayout {
    int left, top, width, height; // the body
    int outline, bezel;
    int neckWidth, neckHeight;
    int footWidth, footHeight;

    int ScreenLeft() const { return left + outline + bezel; }
    int ScreenTop() const { return top + outline + bezel; }
    int ScreenWidth() const { return width - 2 * (outline + bezel); }
    int ScreenHeight() const { return height - 2 * (outline + bezel); }
};

MonitorLayout LayoutFor(int size) {
    MonitorLayout layout{};
    layout.outline = std::max(1, (size + 16) / 32);
    layout.bezel = std::max(1, (size + 8) / 16);
    // The screen is split into three equal bars, so its width must divide by three; the body
    // gives up a column or two for that rather than the bars differing.
    const int frame = 2 * (layout.outline + layout.bezel);
    layout.width = size;
    while ((layout.width - frame) % 3 != 0)
        --layout.width;
    layout.left = (size - layout.width) / 2;
    layout.height = size * 3 / 4;

    // The monitor stands on the bottom edge; what the stand leaves over is room above it.
    const int stand = size - layout.height;
    layout.footHeight = std::max(1, stand / 4);
    layout.neckHeight = stand / 2;
    layout.top = stand - layout.footHeight - layout.neckHeight;
    // Neck and foot centred under the body: same parity of width.
    layout.neckWidth = size / 4 + (layout.width - size / 4) % 2;
    layout.footWidth = size * 5 / 8 + (layout.width - size * 5 / 8) % 2;
    return layout;
}

using ScreenPainter = std::function<void(Image&, const MonitorLayout&)>;

Image DrawMonitor(int size, const ScreenPainter& paintScreen) {
    const MonitorLayout m = LayoutFor(size);
    Image image(size, size);
    image.FillRect(m.left, m.top, m.width, m.height, White);
    image.FillRect(m.left + m.outline, m.top + m.outline, m.width - 2 * m.outline,
                   m.height - 2 * m.outline, Silver);
    paintScreen(image, m);

    const int neckTop = m.top + m.height;
    image.FillRect(m.left + (m.width - m.neckWidth) / 2, neckTop, m.neckWidth, m.neckHeight, Grey);
    image.FillRect(m.left + (m.width - m.footWidth) / 2, neckTop + m.neckHeight, m.footWidth,
                   m.footHeight, Grey);
    return image;
}

void PaintColourBars(Image& image, const MonitorLayout& m) {
    const int bar = m.ScreenWidth() / 3;
    const Rgba colours[] = {Red, Lime, Blue};
    for (int i = 0; i < 3; ++i)
        image.FillRect(m.ScreenLeft() + i * bar, m.ScreenTop(), bar, m.ScreenHeight(), colours[i]);
}

// "OF" on grey. Letter strokes thicken with the size; the O's corners are bevelled by the
// stroke width, inside and out, which reads as round even at six pixels high.
void PaintOff(Image& image, const MonitorLayout& m) {
    image.FillRect(m.ScreenLeft(), m.ScreenTop(), m.ScreenWidth(), m.ScreenHeight(), Grey);

    const int margin = std::max(1, m.ScreenHeight() / 8);
    const int height = m.ScreenHeight() - 2 * margin;
    const int stroke = std::max(1, (height + 2) / 6);
    const int oWidth = static_cast<int>(std::lround(height * 0.66));
    const int fWidth = oWidth - 1;
    const int total = oWidth + stroke + fWidth;
    const int x = m.ScreenLeft() + (m.ScreenWidth() - total) / 2;
    const int y = m.ScreenTop() + margin;

    for (int row = 0; row < height; ++row)
        for (int column = 0; column < oWidth; ++column) {
            const int dx = std::min(column, oWidth - 1 - column);
            const int dy = std::min(row, height - 1 - row);
            const bool ring = dx < stroke || dy < stroke;
            const bool innerCorner =
                dx >= stroke && dy >= stroke && (dx - stroke) + (dy - stroke) < stroke - 1;
            if ((ring || innerCorner) && dx + dy >= stroke)
                image.Set(x + column, y + row, Black);
        }

    const int fx = x + oWidth + stroke;
    image.FillRect(fx, y, stroke, height, Black);
    image.FillRect(fx, y, fWidth, stroke, Black);
    image.FillRect(fx, y + (height - stroke) / 2, fWidth - std::max(1, fWidth / 4), stroke, Black);
}

// Pictures of an icon from 16 to 48 pixels; the 16-pixel one in the palette given.
std::vector<IconPicture> MonitorIcon(const ScreenPainter& paintScreen, int smallBits,
                                     const std::vector<Rgba>& smallPalette) {
    std::vector<IconPicture> pictures;
    pictures.push_back({DrawMonitor(16, paintScreen), smallBits, smallPalette});
    for (int size : {20, 24, 32, 48})
        pictures.push_back({DrawMonitor(size, paintScreen), 32, {}});
    return pictures;
}

// --- The capture cursor ------------------------------------------------------------------------

// A thin inverting cross-hair: arms with short end bars and a ring around the hot spot, whose
// own pixel stays clear so the pixel being aimed at is seen unchanged.
MonochromeCursor CaptureCursor() {
    constexpr int Size = 32, Centre = 15, Reach = 10;
    MonochromeCursor cursor{Size, Size, Centre, Centre,
                            std::vector<CursorPixel>(Size * Size, CursorPixel::Transparent)};
    auto invert = [&](int x, int y) { cursor.pixels[y * Size + x] = CursorPixel::Invert; };
    for (int d = -Reach; d <= Reach; ++d) {
        invert(Centre + d, Centre);
        invert(Centre, Centre + d);
    }
    for (int end : {Centre - Reach, Centre + Reach})
        for (int d = -1; d <= 1; ++d) {
            invert(Centre + d, end);
            invert(end, Centre + d);
        }
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            invert(Centre + dx, Centre + dy);
    cursor.pixels[Centre * Size + Centre] = CursorPixel::Transparent;
    return cursor;
}

// --- The pictures of the activation buttons ------------------------------------------------------

constexpr int ButtonSize = 111;

// A few capitals and the figure 2, five by seven.
struct Glyph {
    char letter;
    std::array<std::string_view, 7> rows;
};

constexpr Glyph Font[] = {
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'N', {"#...#", "##..#", "##..#", "#.#.#", "#..##", "#..##", "#...#"}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
};

const Glyph& GlyphOf(char letter) {
    for (const Glyph& glyph : Font)
        if (glyph.letter == letter)
            return glyph;
    throw std::invalid_argument(std::string("no glyph for ") + letter);
}

// Calls `plot` for every pixel of `text` set in the font at `scale`, from (x, y).
void ForEachTextPixel(std::string_view text, int x, int y, int scale,
                      const std::function<void(int, int)>& plot) {
    for (char letter : text) {
        const Glyph& glyph = GlyphOf(letter);
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 5; ++column)
                if (glyph.rows[row][column] == '#')
                    for (int sy = 0; sy < scale; ++sy)
                        for (int sx = 0; sx < scale; ++sx)
                            plot(x + column * scale + sx, y + row * scale + sy);
        x += 6 * scale;
    }
}

double DistanceToSegment(double x, double y, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double along =
        std::clamp(((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (x0 + along * dx), y - (y0 + along * dy));
}

// The logo: a large G with a small figure 2 at its upper right, both drawn with round strokes
// so that the emboss follows smooth edges.
class Logo {
public:
    Logo() : mask_(ButtonSize * ButtonSize, false) {
        for (int y = 0; y < ButtonSize; ++y)
            for (int x = 0; x < ButtonSize; ++x)
                if (InG(x + 0.5, y + 0.5) || InTwo(x + 0.5, y + 0.5))
                    mask_[y * ButtonSize + x] = true;
    }

    bool Contains(int x, int y) const {
        return x >= 0 && y >= 0 && x < ButtonSize && y < ButtonSize && mask_[y * ButtonSize + x];
    }

private:
    static constexpr double Pi = 3.14159265358979323846;

    // Angles in degrees clockwise from three o'clock, as y grows downwards.
    static double Angle(double dx, double dy) { return std::atan2(dy, dx) * 180.0 / Pi; }

    // A ring open at the upper right, and a bar from the middle out to the rim.
    static bool InG(double x, double y) {
        constexpr double CentreX = 55.5, CentreY = 47.5, Outer = 34.0, Inner = 20.0;
        const double dx = x - CentreX, dy = y - CentreY;
        const double radius = std::hypot(dx, dy);
        const double angle = Angle(dx, dy);
        const bool ring = radius >= Inner && radius < Outer && !(angle > -50.0 && angle < 0.0);
        const bool bar = dx >= 2.0 && dy >= -1.0 && dy < 8.0 && radius < Outer;
        return ring || bar;
    }

    // A hook over the top, a diagonal down to the left and a foot.
    static bool InTwo(double x, double y) {
        constexpr double CentreX = 94.5, CentreY = 16.5, Radius = 5.5, HalfStroke = 2.0;
        constexpr double HookEnd = 35.0;
        const double dx = x - CentreX, dy = y - CentreY;
        const double angle = Angle(dx, dy);
        const bool hook = std::abs(std::hypot(dx, dy) - Radius) < HalfStroke &&
                          (angle < HookEnd && angle > -170.0);
        const double endX = CentreX + Radius * std::cos(HookEnd * Pi / 180.0);
        const double endY = CentreY + Radius * std::sin(HookEnd * Pi / 180.0);
        const bool diagonal = DistanceToSegment(x, y, endX, endY, 88.0, 30.5) < HalfStroke;
        const bool foot = x >= 86.0 && x < 102.0 && y >= 29.0 && y < 33.0;
        return hook || diagonal || foot;
    }

    std::vector<bool> mask_;
};

// White inside a raised grey bevel lit from the upper left, the logo embossed on it the same
// way: a bright rim where the light falls on it, a dark rim and a soft shadow opposite.
Image ButtonFace() {
    Image image(ButtonSize, ButtonSize, White);
    constexpr int Bevel = 5;
    constexpr Rgba Rim = Opaque(0x70, 0x70, 0x70), Top = Opaque(0xE8, 0xE8, 0xE8),
                   Left = Opaque(0xD8, 0xD8, 0xD8), Right = Opaque(0xA4, 0xA4, 0xA4),
                   Bottom = Opaque(0x94, 0x94, 0x94), Inner = Opaque(0xC0, 0xC0, 0xC0);
    for (int y = 0; y < ButtonSize; ++y)
        for (int x = 0; x < ButtonSize; ++x) {
            const int right = ButtonSize - 1 - x, bottom = ButtonSize - 1 - y;
            const int depth = std::min({x, y, right, bottom});
            if (depth == 0)
                image.Set(x, y, Rim);
            else if (depth == Bevel - 1)
                image.Set(x, y, Inner);
            else if (depth < Bevel - 1)
                // The sides meet on the diagonals, as on a mitred frame.
                image.Set(x, y,
                          depth == y       ? Top
                          : depth == x     ? Left
                          : depth == right ? Right
                                           : Bottom);
        }

    const Logo logo;
    constexpr Rgba Face = Opaque(0xD6, 0xD6, 0xD6), Lit = Opaque(0xF8, 0xF8, 0xF8),
                   Dark = Opaque(0xAC, 0xAC, 0xAC), Shadow = Opaque(0xE6, 0xE6, 0xE6);
    for (int y = Bevel; y < ButtonSize - Bevel; ++y)
        for (int x = Bevel; x < ButtonSize - Bevel; ++x) {
            if (logo.Contains(x, y)) {
                const bool lit = !logo.Contains(x - 1, y - 1) || !logo.Contains(x - 2, y - 2);
                const bool dark = !logo.Contains(x + 1, y + 1) || !logo.Contains(x + 2, y + 2);
                image.Set(x, y, lit && !dark ? Lit : dark && !lit ? Dark : Face);
            } else if (logo.Contains(x - 1, y - 1) || logo.Contains(x - 2, y - 2)) {
                image.Set(x, y, Shadow);
            }
        }
    return image;
}

void Caption(Image& image, std::string_view text, Rgba colour) {
    ForEachTextPixel(text, 11, 88, 2, [&](int x, int y) { image.Set(x, y, colour); });
}

Image ButtonOff() {
    Image image = ButtonFace();
    Caption(image, "OFF", Opaque(0xE0, 0x00, 0x00));
    return image;
}

// xorshift32: a small generator whose sequence is the same on every host and compiler.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    double Unit() { return Next() / 4294967296.0; } // [0, 1)

private:
    std::uint32_t state_;
};

// Lit sub-pixels sprinkled over the upper left of the logo: densest in the corner, thinning
// towards a diagonal edge; red along the top, green below it, blue towards the lower left.
Image ButtonOn() {
    Image image = ButtonFace();
    Random random(0x61C88647u);
    constexpr int Inset = 5, ReachX = 82, ReachY = 78;
    for (int y = Inset; y < Inset + ReachY; ++y)
        for (int x = Inset; x < Inset + ReachX; ++x) {
            const double across = double(x - Inset) / ReachX + double(y - Inset) / ReachY;
            const double squared = across * across;
            const double chance = 0.6 * (1.0 - squared * squared * across);
            if (random.Unit() >= chance)
                continue;
            const double depth = double(y - Inset) / ReachY + 0.25 * (random.Unit() - 0.5);
            image.Set(x, y, depth < 0.27 ? Red : depth < 0.53 ? Lime : Blue);
        }
    Caption(image, "ON", Opaque(0x00, 0xB0, 0x00));
    return image;
}

// --- Output -------------------------------------------------------------------------------------

void Generate(const std::filesystem::path& folder) {
    const std::vector<IconPicture> active = MonitorIcon(PaintColourBars, 4, StandardPalette16());
    WriteFile(folder / "IcoAk.ico", EncodeIcon(active));

    // The program's own icon also serves Explorer's largest views. That picture goes in as a
    // PNG: as a bitmap it would add a quarter of a megabyte to the exe.
    std::vector<IconPicture> program = active;
    program.push_back({DrawMonitor(256, PaintColourBars), 32, {}, IconStorage::Png});
    WriteFile(folder / "MainIcon.ico", EncodeIcon(program));

    const std::vector<Rgba> darkPalette{Black, Grey, Silver, White};
    WriteFile(folder / "IcoDk.ico", EncodeIcon(MonitorIcon(PaintOff, 8, darkPalette)));

    WriteFile(folder / "NewCursor.cur", EncodeCursor(CaptureCursor()));
    WriteFile(folder / "ButtonOn.bmp", EncodeBitmap24(ButtonOn()));
    WriteFile(folder / "ButtonOff.bmp", EncodeBitmap24(ButtonOff()));
}

} // namespace
} // namespace art

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: art_generator <resources folder>\n");
        return 2;
    }
    try {
        art::Generate(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "art_generator: %s\n", error.what());
        return 1;
    }
    return 0;
}
