// Draws Glimmora's icons, the capture cursor, the pictures of the activation buttons and the
// setup's side picture, and writes them into the resource folder given as the only argument:
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
// own pixel stays clear so the pixel being aimed at is seen unchanged. One frame for each of
// 100, 150 and 200 % scaling: the arms and bars grow with the frame, but every line stays one
// pixel wide and the ring stays the eight neighbours of the hot spot, so that at any scaling it
// frames exactly one physical pixel. The hot spot sits where the 32-pixel frame has it, just
// above and left of the middle.
MonochromeCursor CaptureCursor(int size) {
    const int centre = size / 2 - 1;
    const int reach = size * 10 / 32;
    const int halfBar = (size + 16) / 32;
    MonochromeCursor cursor{
        size, size, centre, centre,
        std::vector<CursorPixel>(static_cast<std::size_t>(size * size), CursorPixel::Transparent)};
    auto invert = [&](int x, int y) {
        cursor.pixels[static_cast<std::size_t>(y * size + x)] = CursorPixel::Invert;
    };
    for (int d = -reach; d <= reach; ++d) {
        invert(centre + d, centre);
        invert(centre, centre + d);
    }
    for (int end : {centre - reach, centre + reach})
        for (int d = -halfBar; d <= halfBar; ++d) {
            invert(centre + d, end);
            invert(end, centre + d);
        }
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            invert(centre + dx, centre + dy);
    cursor.pixels[static_cast<std::size_t>(centre * size + centre)] = CursorPixel::Transparent;
    return cursor;
}

// --- The pictures of the activation buttons ------------------------------------------------------

// The design is 111 pixels square, the button's size at 96 DPI. Each larger size is drawn anew
// rather than enlarged: the logo's outline is sampled at that size, bevels, emboss and letters
// thicken in whole pixels, and the scatter stays single pixels, as lit sub-pixels are.
constexpr int DesignSize = 111;

// Lengths of the 111-pixel design at the size drawn, in whole pixels.
class ButtonScale {
public:
    explicit ButtonScale(int size) : size_(size), factor_(double(size) / DesignSize) {}
    int Size() const { return size_; }
    double Factor() const { return factor_; }
    // At least one pixel, so that no line of the design vanishes.
    int operator()(int designPixels) const {
        return std::max(1, static_cast<int>(std::lround(designPixels * factor_)));
    }

private:
    int size_;
    double factor_;
};

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
// so that the emboss follows smooth edges. The shapes are given in the design's coordinates and
// sampled at the middle of each pixel of the size drawn.
class Logo {
public:
    explicit Logo(const ButtonScale& scale)
        : size_(scale.Size()), mask_(static_cast<std::size_t>(size_ * size_), false) {
        for (int y = 0; y < size_; ++y)
            for (int x = 0; x < size_; ++x) {
                const double u = (x + 0.5) / scale.Factor(), v = (y + 0.5) / scale.Factor();
                if (InG(u, v) || InTwo(u, v))
                    mask_[static_cast<std::size_t>(y * size_ + x)] = true;
            }
    }

    bool Contains(int x, int y) const {
        return x >= 0 && y >= 0 && x < size_ && y < size_ &&
               mask_[static_cast<std::size_t>(y * size_ + x)];
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

    int size_;
    std::vector<bool> mask_;
};

// White inside a raised grey bevel lit from the upper left, the logo embossed on it the same
// way: a bright rim where the light falls on it, a dark rim and a soft shadow opposite.
Image ButtonFace(const ButtonScale& scale) {
    const int size = scale.Size();
    Image image(size, size, White);
    const int bevel = scale(5), line = scale(1);
    constexpr Rgba Rim = Opaque(0x70, 0x70, 0x70), Top = Opaque(0xE8, 0xE8, 0xE8),
                   Left = Opaque(0xD8, 0xD8, 0xD8), Right = Opaque(0xA4, 0xA4, 0xA4),
                   Bottom = Opaque(0x94, 0x94, 0x94), Inner = Opaque(0xC0, 0xC0, 0xC0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int right = size - 1 - x, bottom = size - 1 - y;
            const int depth = std::min({x, y, right, bottom});
            if (depth < line)
                image.Set(x, y, Rim);
            else if (depth >= bevel - line && depth < bevel)
                image.Set(x, y, Inner);
            else if (depth < bevel)
                // The sides meet on the diagonals, as on a mitred frame.
                image.Set(x, y,
                          depth == y       ? Top
                          : depth == x     ? Left
                          : depth == right ? Right
                                           : Bottom);
        }

    const Logo logo(scale);
    const int rim = scale(2);
    // Whether the logo is missing somewhere from one to `rim` pixels up and left (or, with
    // step 1, down and right) of (x, y).
    auto edgeAt = [&](int x, int y, int step) {
        for (int k = 1; k <= rim; ++k)
            if (!logo.Contains(x + step * k, y + step * k))
                return true;
        return false;
    };
    auto shadowAt = [&](int x, int y) {
        for (int k = 1; k <= rim; ++k)
            if (logo.Contains(x - k, y - k))
                return true;
        return false;
    };
    constexpr Rgba Face = Opaque(0xD6, 0xD6, 0xD6), Lit = Opaque(0xF8, 0xF8, 0xF8),
                   Dark = Opaque(0xAC, 0xAC, 0xAC), Shadow = Opaque(0xE6, 0xE6, 0xE6);
    for (int y = bevel; y < size - bevel; ++y)
        for (int x = bevel; x < size - bevel; ++x) {
            if (logo.Contains(x, y)) {
                const bool lit = edgeAt(x, y, -1);
                const bool dark = edgeAt(x, y, 1);
                image.Set(x, y, lit && !dark ? Lit : dark && !lit ? Dark : Face);
            } else if (shadowAt(x, y)) {
                image.Set(x, y, Shadow);
            }
        }
    return image;
}

void Caption(Image& image, const ButtonScale& scale, std::string_view text, Rgba colour) {
    ForEachTextPixel(text, scale(11), scale(88), scale(2),
                     [&](int x, int y) { image.Set(x, y, colour); });
}

Image ButtonOff(int size) {
    const ButtonScale scale(size);
    Image image = ButtonFace(scale);
    Caption(image, scale, "OFF", Opaque(0xE0, 0x00, 0x00));
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
Image ButtonOn(int size) {
    const ButtonScale scale(size);
    Image image = ButtonFace(scale);
    Random random(0x61C88647u);
    const int inset = scale(5), reachX = scale(82), reachY = scale(78);
    for (int y = inset; y < inset + reachY; ++y)
        for (int x = inset; x < inset + reachX; ++x) {
            const double across = double(x - inset) / reachX + double(y - inset) / reachY;
            const double squared = across * across;
            const double chance = 0.6 * (1.0 - squared * squared * across);
            if (random.Unit() >= chance)
                continue;
            const double depth = double(y - inset) / reachY + 0.25 * (random.Unit() - 0.5);
            image.Set(x, y, depth < 0.27 ? Red : depth < 0.53 ? Lime : Blue);
        }
    Caption(image, scale, "ON", Opaque(0x00, 0xB0, 0x00));
    return image;
}

// --- The setup's side picture ------------------------------------------------------------------

// Beside the last page of the setup, 164 × 314 as the wizard shows it at 100 %: the program's
// monitor, large, on a dark field.
Image SetupSide() {
    Image image(164, 314, Opaque(0x1C, 0x26, 0x36));
    const Image monitor = DrawMonitor(112, PaintColourBars);
    const int left = (image.Width() - monitor.Width()) / 2, top = 72;
    for (int y = 0; y < monitor.Height(); ++y)
        for (int x = 0; x < monitor.Width(); ++x)
            if (monitor.At(x, y) != Clear)
                image.Set(left + x, top + y, monitor.At(x, y));
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

    WriteFile(folder / "NewCursor.cur",
              EncodeCursor({CaptureCursor(32), CaptureCursor(48), CaptureCursor(64)}));

    // The buttons' size at 100 %, as the program has always shown it, in 24 bits.
    WriteFile(folder / "ButtonOn.bmp", EncodeBitmap24(ButtonOn(DesignSize)));
    WriteFile(folder / "ButtonOff.bmp", EncodeBitmap24(ButtonOff(DesignSize)));
    // At 150 and 200 % (111 scaled to 144 and 192 DPI). The pictures have fewer than 256
    // colours, so 8 bits lose nothing and keep the four of them from doubling the exe's size.
    for (int size : {167, 222}) {
        const std::string suffix = std::to_string(size) + ".bmp";
        WriteFile(folder / ("ButtonOn" + suffix), EncodeBitmap8(ButtonOn(size)));
        WriteFile(folder / ("ButtonOff" + suffix), EncodeBitmap8(ButtonOff(size)));
    }

    WriteFile(folder / "SetupSide.bmp", EncodeBitmap8(SetupSide()));
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
