#include "tools/ImageFiles.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "tools/Deflate.h"

namespace art {

Image::Image(int width, int height, Rgba fill)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("an image needs a positive width and height");
}

std::size_t Image::Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
}

void Image::Set(int x, int y, Rgba colour) {
    if (Contains(x, y))
        pixels_[Index(x, y)] = colour;
}

void Image::FillRect(int x, int y, int width, int height, Rgba colour) {
    for (int row = std::max(y, 0); row < std::min(y + height, height_); ++row)
        for (int column = std::max(x, 0); column < std::min(x + width, width_); ++column)
            pixels_[Index(column, row)] = colour;
}

const std::vector<Rgba>& StandardPalette16() {
    static const std::vector<Rgba> palette{
        Opaque(0x00, 0x00, 0x00), Opaque(0x80, 0x00, 0x00), Opaque(0x00, 0x80, 0x00),
        Opaque(0x80, 0x80, 0x00), Opaque(0x00, 0x00, 0x80), Opaque(0x80, 0x00, 0x80),
        Opaque(0x00, 0x80, 0x80), Opaque(0xC0, 0xC0, 0xC0), Opaque(0x80, 0x80, 0x80),
        Opaque(0xFF, 0x00, 0x00), Opaque(0x00, 0xFF, 0x00), Opaque(0xFF, 0xFF, 0x00),
        Opaque(0x00, 0x00, 0xFF), Opaque(0xFF, 0x00, 0xFF), Opaque(0x00, 0xFF, 0xFF),
        Opaque(0xFF, 0xFF, 0xFF)};
    return palette;
}

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put8(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
}

void Put16(Bytes& out, unsigned value) {
    Put8(out, value & 0xFF);
    Put8(out, (value >> 8) & 0xFF);
}

void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutSigned32(Bytes& out, std::int32_t value) {
    Put32(out, static_cast<std::uint32_t>(value));
}

// Bitmap rows are padded to whole 32-bit words.
std::uint32_t RowBytes(int width, int bitsPerPixel) {
    return static_cast<std::uint32_t>((width * bitsPerPixel + 31) / 32 * 4);
}

// The header shared by .bmp files and by the pictures inside icons and cursors; those store the
// colour bitmap and the mask one above the other and so declare twice the height.
void PutInfoHeader(Bytes& out, int width, int storedHeight, int bitsPerPixel,
                   std::uint32_t imageBytes) {
    constexpr std::int32_t PixelsPerMetre = 2835; // 72 per inch
    Put32(out, 40);
    PutSigned32(out, width);
    PutSigned32(out, storedHeight);
    Put16(out, 1); // planes
    Put16(out, static_cast<unsigned>(bitsPerPixel));
    Put32(out, 0); // uncompressed
    Put32(out, imageBytes);
    PutSigned32(out, PixelsPerMetre);
    PutSigned32(out, PixelsPerMetre);
    Put32(out, 0); // colours used: all that the bit depth allows
    Put32(out, 0);
}

void PutPalette(Bytes& out, const std::vector<Rgba>& palette, std::size_t entries) {
    for (std::size_t i = 0; i < entries; ++i) {
        Rgba colour = i < palette.size() ? palette[i] : Rgba{};
        Put8(out, colour.b);
        Put8(out, colour.g);
        Put8(out, colour.r);
        Put8(out, 0);
    }
}

// Packs one row of values of `bits` bits each, most significant bits first, padded.
void PutPackedRow(Bytes& out, const std::vector<unsigned>& values, int bits) {
    Bytes row(RowBytes(static_cast<int>(values.size()), bits), 0);
    const int perByte = 8 / bits;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int shift = 8 - bits * (static_cast<int>(i % perByte) + 1);
        row[i / perByte] |= static_cast<std::uint8_t>(values[i] << shift);
    }
    out.insert(out.end(), row.begin(), row.end());
}

unsigned PaletteIndex(const std::vector<Rgba>& palette, Rgba colour) {
    auto found = std::find(palette.begin(), palette.end(), colour);
    if (found == palette.end())
        throw std::runtime_error("colour #" + std::to_string(colour.r) + "," +
                                 std::to_string(colour.g) + "," + std::to_string(colour.b) +
                                 " is not in the palette");
    return static_cast<unsigned>(found - palette.begin());
}

// The picture as stored in an icon: header, palette, colour bitmap, then the AND mask
// (1 = clear), both bottom-up.
Bytes EncodeIconPicture(const IconPicture& picture) {
    const Image& image = picture.image;
    const int bits = picture.bitsPerPixel;
    if (bits != 4 && bits != 8 && bits != 32)
        throw std::invalid_argument("icons are written with 4, 8 or 32 bits per pixel");
    const bool paletted = bits != 32;
    if (paletted && picture.palette.size() > (std::size_t{1} << bits))
        throw std::invalid_argument("the palette has more colours than the bit depth allows");

    const std::uint32_t colourBytes = RowBytes(image.Width(), bits) * image.Height();
    const std::uint32_t maskBytes = RowBytes(image.Width(), 1) * image.Height();
    Bytes out;
    PutInfoHeader(out, image.Width(), 2 * image.Height(), bits, colourBytes + maskBytes);
    if (paletted)
        PutPalette(out, picture.palette, std::size_t{1} << bits);

    for (int y = image.Height() - 1; y >= 0; --y) {
        if (paletted) {
            std::vector<unsigned> indices;
            for (int x = 0; x < image.Width(); ++x) {
                Rgba colour = image.At(x, y);
                if (colour.a != 0 && colour.a != 255)
                    throw std::runtime_error("a paletted icon picture has a half-clear pixel");
                indices.push_back(colour.a == 0 ? 0 : PaletteIndex(picture.palette, colour));
            }
            PutPackedRow(out, indices, bits);
        } else {
            for (int x = 0; x < image.Width(); ++x) {
                // A clear pixel is black in the colour bitmap, so that it also vanishes where
                // only the mask is honoured.
                Rgba colour = image.At(x, y).a == 0 ? Clear : image.At(x, y);
                Put8(out, colour.b);
                Put8(out, colour.g);
                Put8(out, colour.r);
                Put8(out, colour.a);
            }
        }
    }
    for (int y = image.Height() - 1; y >= 0; --y) {
        std::vector<unsigned> mask;
        for (int x = 0; x < image.Width(); ++x)
            mask.push_back(image.At(x, y).a == 0 ? 1 : 0);
        PutPackedRow(out, mask, 1);
    }
    return out;
}

// PNG numbers are big-endian.
void PutBig32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        Put8(out, (value >> shift) & 0xFF);
}

// Length, type, data, and the CRC of type and data.
void PutChunk(Bytes& out, const char (&type)[5], const Bytes& data) {
    PutBig32(out, static_cast<std::uint32_t>(data.size()));
    Bytes checked(type, type + 4);
    checked.insert(checked.end(), data.begin(), data.end());
    out.insert(out.end(), checked.begin(), checked.end());
    PutBig32(out, Crc32(checked));
}

// Row filters: each byte is sent less the byte 4 to its left (Sub) or the one above (Up).
enum class RowFilter : std::uint8_t { None = 0, Sub = 1, Up = 2 };

// The row with its filter byte in front. Of the three filters the one whose output, read as
// signed bytes, sums smallest in magnitude: a flat row under Sub and a row like the one above
// under Up turn to zeros, which the compressor sends as a few long runs.
Bytes FilteredRow(const Bytes& row, const Bytes& above) {
    Bytes best;
    long bestCost = 0;
    for (RowFilter filter : {RowFilter::None, RowFilter::Sub, RowFilter::Up}) {
        Bytes candidate{static_cast<std::uint8_t>(filter)};
        long cost = 0;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::uint8_t left = i >= 4 ? row[i - 4] : 0;
            const std::uint8_t subtract = filter == RowFilter::Sub  ? left
                                          : filter == RowFilter::Up ? above[i]
                                                                    : 0;
            const auto value = static_cast<std::uint8_t>(row[i] - subtract);
            candidate.push_back(value);
            cost += std::abs(static_cast<int>(static_cast<std::int8_t>(value)));
        }
        if (best.empty() || cost < bestCost) {
            best = std::move(candidate);
            bestCost = cost;
        }
    }
    return best;
}

// Icon and cursor directories: a 6-byte head and 16 bytes per picture, the pictures behind.
// A width or height of 256 is stored as 0.
struct DirectoryEntry {
    int width, height, colourCount;
    unsigned field4, field6; // planes and bit count for icons, the hot spot for cursors
    Bytes data;
};

Bytes EncodeDirectory(unsigned type, const std::vector<DirectoryEntry>& entries) {
    Bytes out;
    Put16(out, 0);
    Put16(out, type);
    Put16(out, static_cast<unsigned>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const DirectoryEntry& entry : entries) {
        if (entry.width > 256 || entry.height > 256)
            throw std::invalid_argument("icon and cursor pictures are at most 256 pixels wide");
        Put8(out, static_cast<unsigned>(entry.width % 256));
        Put8(out, static_cast<unsigned>(entry.height % 256));
        Put8(out, static_cast<unsigned>(entry.colourCount));
        Put8(out, 0);
        Put16(out, entry.field4);
        Put16(out, entry.field6);
        Put32(out, static_cast<std::uint32_t>(entry.data.size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(entry.data.size());
    }
    for (const DirectoryEntry& entry : entries)
        out.insert(out.end(), entry.data.begin(), entry.data.end());
    return out;
}

} // namespace

Bytes EncodeIcon(const std::vector<IconPicture>& pictures) {
    std::vector<DirectoryEntry> entries;
    for (const IconPicture& picture : pictures) {
        const int colours = picture.bitsPerPixel == 4 ? 16 : 0; // 0: 256 or more
        if (picture.storage == IconStorage::Png && picture.bitsPerPixel != 32)
            throw std::invalid_argument("a PNG icon picture has 32 bits per pixel");
        entries.push_back({picture.image.Width(), picture.image.Height(), colours, 1,
                           static_cast<unsigned>(picture.bitsPerPixel),
                           picture.storage == IconStorage::Png ? EncodePng(picture.image)
                                                               : EncodeIconPicture(picture)});
    }
    return EncodeDirectory(1, entries);
}

namespace {

Bytes EncodeCursorPicture(const MonochromeCursor& cursor) {
    if (cursor.pixels.size() != static_cast<std::size_t>(cursor.width * cursor.height))
        throw std::invalid_argument("the cursor's pixel count does not match its size");
    if (cursor.hotX < 0 || cursor.hotY < 0 || cursor.hotX >= cursor.width ||
        cursor.hotY >= cursor.height)
        throw std::invalid_argument("the cursor's hot spot lies outside it");

    const std::uint32_t maskBytes = RowBytes(cursor.width, 1) * cursor.height;
    Bytes picture;
    PutInfoHeader(picture, cursor.width, 2 * cursor.height, 1, 2 * maskBytes);
    PutPalette(picture, {Opaque(0, 0, 0), Opaque(255, 255, 255)}, 2);
    auto putMask = [&](bool andMask) {
        for (int y = cursor.height - 1; y >= 0; --y) {
            std::vector<unsigned> bits;
            for (int x = 0; x < cursor.width; ++x) {
                CursorPixel pixel = cursor.pixels[static_cast<std::size_t>(y * cursor.width + x)];
                bool set = andMask
                               ? pixel == CursorPixel::Transparent || pixel == CursorPixel::Invert
                               : pixel == CursorPixel::White || pixel == CursorPixel::Invert;
                bits.push_back(set ? 1 : 0);
            }
            PutPackedRow(picture, bits, 1);
        }
    };
    putMask(false); // XOR
    putMask(true);  // AND
    return picture;
}

// The file head of a .bmp with `paletteEntries` colours and `pixelBytes` of rows behind it.
void PutBitmapFileHead(Bytes& out, const Image& image, int bitsPerPixel,
                       std::uint32_t paletteEntries, std::uint32_t pixelBytes) {
    const std::uint32_t headBytes = 14 + 40 + 4 * paletteEntries;
    Put8(out, 'B');
    Put8(out, 'M');
    Put32(out, headBytes + pixelBytes);
    Put32(out, 0);
    Put32(out, headBytes);
    PutInfoHeader(out, image.Width(), image.Height(), bitsPerPixel, pixelBytes);
}

Rgba Solid(Rgba colour) {
    colour.a = 255;
    return colour;
}

} // namespace

Bytes EncodeCursor(const std::vector<MonochromeCursor>& frames) {
    if (frames.empty())
        throw std::invalid_argument("a cursor file needs at least one frame");
    std::vector<DirectoryEntry> entries;
    for (const MonochromeCursor& cursor : frames)
        entries.push_back({cursor.width, cursor.height, 2, static_cast<unsigned>(cursor.hotX),
                           static_cast<unsigned>(cursor.hotY), EncodeCursorPicture(cursor)});
    return EncodeDirectory(2, entries);
}

Bytes EncodeBitmap24(const Image& image) {
    const std::uint32_t rowBytes = RowBytes(image.Width(), 24);
    const std::uint32_t pixelBytes = rowBytes * image.Height();
    Bytes out;
    PutBitmapFileHead(out, image, 24, 0, pixelBytes);
    for (int y = image.Height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.Width(); ++x) {
            Put8(out, image.At(x, y).b);
            Put8(out, image.At(x, y).g);
            Put8(out, image.At(x, y).r);
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(image.Width()) * 3; pad < rowBytes;
             ++pad)
            Put8(out, 0);
    }
    return out;
}

Bytes EncodeBitmap8(const Image& image) {
    std::vector<Rgba> palette;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (std::find(palette.begin(), palette.end(), Solid(image.At(x, y))) == palette.end())
                palette.push_back(Solid(image.At(x, y)));
    if (palette.size() > 256)
        throw std::invalid_argument("an 8-bit bitmap holds at most 256 colours");

    const std::uint32_t pixelBytes = RowBytes(image.Width(), 8) * image.Height();
    Bytes out;
    PutBitmapFileHead(out, image, 8, 256, pixelBytes);
    PutPalette(out, palette, 256);
    for (int y = image.Height() - 1; y >= 0; --y) {
        std::vector<unsigned> indices;
        for (int x = 0; x < image.Width(); ++x)
            indices.push_back(PaletteIndex(palette, Solid(image.At(x, y))));
        PutPackedRow(out, indices, 8);
    }
    return out;
}

Bytes EncodePng(const Image& image) {
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

    Bytes header;
    PutBig32(header, static_cast<std::uint32_t>(image.Width()));
    PutBig32(header, static_cast<std::uint32_t>(image.Height()));
    Put8(header, 8); // bits per sample
    Put8(header, 6); // red, green, blue and alpha
    Put8(header, 0); // deflate
    Put8(header, 0); // the row filters
    Put8(header, 0); // not interlaced
    PutChunk(out, "IHDR", header);

    const std::size_t rowBytes = 4 * static_cast<std::size_t>(image.Width());
    Bytes filtered, above(rowBytes, 0);
    for (int y = 0; y < image.Height(); ++y) {
        Bytes row;
        for (int x = 0; x < image.Width(); ++x) {
            const Rgba colour = image.At(x, y).a == 0 ? Clear : image.At(x, y);
            row.insert(row.end(), {colour.r, colour.g, colour.b, colour.a});
        }
        const Bytes line = FilteredRow(row, above);
        filtered.insert(filtered.end(), line.begin(), line.end());
        above = std::move(row);
    }
    PutChunk(out, "IDAT", ZlibCompress(filtered));
    PutChunk(out, "IEND", {});
    return out;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace art
