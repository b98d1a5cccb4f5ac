// Pictures in memory and the file formats the program's resources use: icons (.ico), cursors
// (.cur), bitmaps (.bmp), and PNG for the largest picture of an icon. Everything is written
// byte by byte here and in Deflate.cpp, so the art tool needs nothing but the C++ standard
// library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace art {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Rgba&) const = default;
};

constexpr Rgba Opaque(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return {r, g, b, 255};
}
constexpr Rgba Clear{};

// Rows from the top, columns from the left, as one draws; the writers flip to bottom-up rows.
class Image {
public:
    Image(int width, int height, Rgba fill = Clear);
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Rgba At(int x, int y) const { return pixels_[Index(x, y)]; }
    // Drawing outside the picture is ignored, so shapes may be clipped by the edges.
    void Set(int x, int y, Rgba colour);
    // The half-open rectangle [x, x + width) × [y, y + height).
    void FillRect(int x, int y, int width, int height, Rgba colour);

private:
    std::size_t Index(int x, int y) const;
    int width_, height_;
    std::vector<Rgba> pixels_;
};

// How a picture sits in an icon file. A bitmap any Windows reads; a PNG file, 32 bits with
// alpha only, from Windows Vista on, where it keeps a 256-pixel picture to a few kilobytes
// instead of a quarter of a megabyte.
enum class IconStorage { Bitmap, Png };

// One picture of an icon file and how it is stored: 4 or 8 bits per pixel with `palette`
// (every opaque colour must be in it; pixels are either opaque or fully clear), or 32 bits
// with alpha (the palette is unused).
struct IconPicture {
    Image image;
    int bitsPerPixel;
    std::vector<Rgba> palette;
    IconStorage storage = IconStorage::Bitmap;
};

// The sixteen colours every Windows display has, in the order 4-bit pictures index them.
const std::vector<Rgba>& StandardPalette16();

std::vector<std::uint8_t> EncodeIcon(const std::vector<IconPicture>& pictures);

// A monochrome cursor pixel: its AND and XOR mask bits are 0/0 black, 0/1 white,
// 1/0 transparent (the screen shows through) and 1/1 inverting.
enum class CursorPixel : std::uint8_t { Black, White, Transparent, Invert };

struct MonochromeCursor {
    int width, height;
    int hotX, hotY;
    std::vector<CursorPixel> pixels; // rows from the top
};

// One file holding every frame, in the order given; the system picks the frame by size.
std::vector<std::uint8_t> EncodeCursor(const std::vector<MonochromeCursor>& frames);

// 24 bits per pixel; any alpha is ignored.
std::vector<std::uint8_t> EncodeBitmap24(const Image& image);
// 8 bits per pixel with a palette of the picture's own colours, in the order they first appear
// from the top left; a picture of more than 256 colours is refused. Any alpha is ignored.
std::vector<std::uint8_t> EncodeBitmap8(const Image& image);

// A PNG file of 8-bit RGBA, not interlaced. Clear pixels are stored as clear black, as in the
// icons' bitmaps; each row is filtered the way that leaves it the smallest values.
std::vector<std::uint8_t> EncodePng(const Image& image);

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace art
