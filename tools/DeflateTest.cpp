// The art tool's compressor and PNG writer, read back by a small inflater of the test's own.
// It knows only raw and fixed-Huffman blocks, which is all the compressor writes, and takes its
// length and distance ranges from the rule that builds them rather than from a copied table,
// so a slip in the compressor's tables shows as a wrong round trip.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tools/Deflate.h"
#include "tools/ImageFiles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random() >> 24);
    return bytes;
}

// --- The inflater --------------------------------------------------------------------------------

struct Range {
    unsigned base;
    int extra;
};

// Lengths 3…258: eight ranges of one, then four each of 2, 4, 8, 16 and 32 values, then 258
// on its own.
std::vector<Range> LengthRanges() {
    std::vector<Range> ranges;
    unsigned base = 3;
    for (int i = 0; i < 28; ++i) {
        const int extra = i < 8 ? 0 : (i - 4) / 4;
        ranges.push_back({base, extra});
        base += 1u << extra;
    }
    ranges.push_back({258, 0});
    return ranges;
}

// Distances 1…32768: four ranges of one, then two each of 2, 4, … 8192 values.
std::vector<Range> DistanceRanges() {
    std::vector<Range> ranges;
    unsigned base = 1;
    for (int i = 0; i < 30; ++i) {
        const int extra = i < 4 ? 0 : (i - 2) / 2;
        ranges.push_back({base, extra});
        base += 1u << extra;
    }
    return ranges;
}

class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    unsigned Bit() {
        if (position_ >= 8 * bytes_.size())
            throw std::runtime_error("the stream ends early");
        const unsigned bit = (bytes_[position_ / 8] >> (position_ % 8)) & 1;
        ++position_;
        return bit;
    }
    // A field, least significant bit first.
    unsigned Bits(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i)
            value |= Bit() << i;
        return value;
    }
    // A Huffman code, most significant bit first.
    unsigned Code(int length) {
        unsigned value = 0;
        for (int i = 0; i < length; ++i)
            value = value << 1 | Bit();
        return value;
    }
    void AlignToByte() { position_ = (position_ + 7) / 8 * 8; }
    std::size_t BytesRead() const { return (position_ + 7) / 8; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// 0–143: 8 bits from 0x30; 144–255: 9 bits from 0x190; 256–279: 7 bits from 0; 280–287: 8 bits
// from 0xC0.
unsigned FixedSymbol(BitReader& in) {
    unsigned code = in.Code(7);
    if (code <= 0x17)
        return 256 + code;
    code = code << 1 | in.Bit();
    if (code >= 0x30 && code <= 0xBF)
        return code - 0x30;
    if (code >= 0xC0 && code <= 0xC7)
        return 280 + code - 0xC0;
    code = code << 1 | in.Bit();
    return 144 + code - 0x190;
}

struct Inflated {
    Bytes data;
    std::size_t streamBytes = 0;    // read from the input
    std::set<int> blockTypes;       // 0 raw, 1 fixed Huffman
    std::set<unsigned> lengthCodes; // 257…285
    std::set<unsigned> distanceCodes;
    unsigned farthest = 0; // the greatest distance used
};

Inflated Inflate(std::span<const std::uint8_t> stream) {
    static const std::vector<Range> lengths = LengthRanges(), distances = DistanceRanges();
    BitReader in(stream);
    Inflated out;
    bool last = false;
    while (!last) {
        last = in.Bit() != 0;
        const unsigned type = in.Bits(2);
        out.blockTypes.insert(static_cast<int>(type));
        if (type == 0) {
            in.AlignToByte();
            const unsigned length = in.Bits(16);
            if (in.Bits(16) != (~length & 0xFFFF))
                throw std::runtime_error("a raw block's length and its complement disagree");
            for (unsigned i = 0; i < length; ++i)
                out.data.push_back(static_cast<std::uint8_t>(in.Bits(8)));
        } else if (type == 1) {
            for (;;) {
                const unsigned symbol = FixedSymbol(in);
                if (symbol < 256) {
                    out.data.push_back(static_cast<std::uint8_t>(symbol));
                    continue;
                }
                if (symbol == 256)
                    break;
                if (symbol > 285)
                    throw std::runtime_error("length symbol " + std::to_string(symbol));
                out.lengthCodes.insert(symbol);
                const Range& lengthRange = lengths[symbol - 257];
                const unsigned length = lengthRange.base + in.Bits(lengthRange.extra);
                const unsigned code = in.Code(5);
                if (code >= distances.size())
                    throw std::runtime_error("distance code " + std::to_string(code));
                out.distanceCodes.insert(code);
                const unsigned distance = distances[code].base + in.Bits(distances[code].extra);
                if (distance > out.data.size())
                    throw std::runtime_error("a match reaches before the start");
                out.farthest = std::max(out.farthest, distance);
                for (unsigned i = 0; i < length; ++i)
                    out.data.push_back(out.data[out.data.size() - distance]);
            }
        } else {
            throw std::runtime_error("block type " + std::to_string(type));
        }
    }
    out.streamBytes = in.BytesRead();
    return out;
}

// The checksum from its definition, with the sums kept whole and reduced once at the end.
std::uint32_t AdlerByDefinition(std::span<const std::uint8_t> data) {
    std::uint64_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a += byte;
        b += a;
    }
    return static_cast<std::uint32_t>((b % 65521) << 16 | (a % 65521));
}

std::uint32_t BigEndian32(std::span<const std::uint8_t> bytes) {
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
           std::uint32_t(bytes[2]) << 8 | bytes[3];
}

// Header, deflate stream and checksum, with nothing after them.
Bytes Unzlib(std::span<const std::uint8_t> stream) {
    if (stream.size() < 6)
        throw std::runtime_error("too short for a zlib stream");
    if ((stream[0] & 0x0F) != 8 || (stream[0] >> 4) > 7)
        throw std::runtime_error("not deflate with a window of at most 32 KB");
    if ((stream[0] << 8 | stream[1]) % 31 != 0)
        throw std::runtime_error("the header check fails");
    if (stream[1] & 0x20)
        throw std::runtime_error("a preset dictionary is asked for");
    const Inflated body = Inflate(stream.subspan(2, stream.size() - 6));
    if (2 + body.streamBytes != stream.size() - 4)
        throw std::runtime_error("bytes between the deflate stream and the checksum");
    if (BigEndian32(stream.subspan(stream.size() - 4)) != AdlerByDefinition(body.data))
        throw std::runtime_error("the checksum does not match");
    return body.data;
}

// --- Checksums -----------------------------------------------------------------------------------

TEST(Checksums, MatchTheirWellKnownValues) {
    EXPECT_EQ(art::Crc32({}), 0u);
    EXPECT_EQ(art::Crc32(Text("123456789")), 0xCBF43926u);
    EXPECT_EQ(art::Crc32(Text("IEND")), 0xAE426082u); // closes every PNG file
    EXPECT_EQ(art::Adler32({}), 1u);
    EXPECT_EQ(art::Adler32(Text("Wikipedia")), 0x11E60398u);
}

TEST(Checksums, AdlerStaysRightWhereItsSumsWouldOverflowAWord) {
    for (std::size_t size : {5552u, 5553u, 70000u, 1000000u}) {
        const Bytes ones(size, 0xFF);
        EXPECT_EQ(art::Adler32(ones), AdlerByDefinition(ones)) << size;
    }
    const Bytes noise = RandomBytes(300000, 7);
    EXPECT_EQ(art::Adler32(noise), AdlerByDefinition(noise));
}

// --- Deflate -------------------------------------------------------------------------------------

struct Sample {
    std::string name;
    Bytes data;
};

Bytes Concatenated(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// `source` followed by its first `count` bytes again: a match `source.size()` back.
Bytes Repeated(const Bytes& source, std::size_t count) {
    Bytes all = source;
    all.insert(all.end(), source.begin(), source.begin() + static_cast<std::ptrdiff_t>(count));
    return all;
}

std::vector<Sample> Samples() {
    const Bytes noise = RandomBytes(40000, 1);
    Bytes ramp;
    for (std::uint32_t i = 0; i < 100000; ++i)
        ramp.push_back(static_cast<std::uint8_t>(i * i >> 5));
    Bytes everyValue;
    for (int value = 0; value < 256; ++value)
        everyValue.push_back(static_cast<std::uint8_t>(value));
    Bytes runs;
    for (std::size_t length : {1u, 2u, 3u, 4u, 257u, 258u, 259u, 260u, 516u, 517u, 1000u})
        runs.insert(runs.end(), length, static_cast<std::uint8_t>(length));
    return {
        {"empty", {}},
        {"one byte", {0x42}},
        {"two bytes", {0xFF, 0xFF}},
        {"three equal bytes", {7, 7, 7}},
        {"a run of 100000", Bytes(100000, 0)},
        {"runs around the longest match", runs},
        {"every byte value, twice", Repeated(everyValue, everyValue.size())},
        {"text", Text("the art is code so that a change to it is reviewed like any other change; "
                      "the art is code so that the files can always be made again")},
        {"a match 32768 back", Repeated(RandomBytes(32768, 3), 2000)},
        {"the same 32769 back, out of reach", Repeated(RandomBytes(32769, 4), 2000)},
        {"random bytes past one raw block", RandomBytes(150000, 5)},
        {"noise, then a ramp, then the noise again", Concatenated({noise, ramp, noise})},
    };
}

TEST(Deflate, EverySampleComesBackAsItWent) {
    for (const Sample& sample : Samples()) {
        SCOPED_TRACE(sample.name);
        const Bytes packed = art::Deflate(sample.data);
        Inflated unpacked;
        ASSERT_NO_THROW(unpacked = Inflate(packed));
        EXPECT_EQ(unpacked.data, sample.data);
        EXPECT_EQ(unpacked.streamBytes, packed.size()) << "bytes after the final block";
        EXPECT_LE(unpacked.farthest, 32768u);

        const Bytes wrapped = art::ZlibCompress(sample.data);
        Bytes unwrapped;
        ASSERT_NO_THROW(unwrapped = Unzlib(wrapped));
        EXPECT_EQ(unwrapped, sample.data);
    }
}

TEST(Deflate, RepetitionShrinksAndNoiseGrowsOnlyByBlockHeads) {
    // 258 bytes per match of distance 1 at 13 bits each: some 6 KB for a megabyte of zeros.
    EXPECT_LT(art::Deflate(Bytes(1000000, 0)).size(), 7000u);

    const Inflated far = Inflate(art::Deflate(Repeated(RandomBytes(32768, 3), 2000)));
    EXPECT_EQ(far.farthest, 32768u);
    EXPECT_LT(art::Deflate(Repeated(RandomBytes(32768, 3), 2000)).size(), 32768u + 100);

    const Bytes noise = RandomBytes(150000, 5);
    const Bytes packed = art::Deflate(noise);
    EXPECT_LE(packed.size(), noise.size() + 5 * (noise.size() / 16384 + 1));
    EXPECT_EQ(Inflate(packed).blockTypes, std::set<int>{0}) << "noise is sent raw";
}

TEST(Deflate, UsesEveryLengthAndDistanceCodeAtBothEndsOfItsRange) {
    // Runs of a byte seen nowhere else: a literal, then a match one back of the rest.
    Bytes data;
    std::uint8_t value = 0;
    for (const Range& range : LengthRanges())
        for (unsigned length : {range.base, std::min(258u, range.base + (1u << range.extra) - 1)})
            data.insert(data.end(), length + 1, ++value);
    // Fresh noise of the distance's length, then twenty bytes that repeat it from its start
    // (round and round where it is shorter). The noise stays below
    // 144, which fixed codes send in eight bits as a raw block would, so that the matches make
    // the coded blocks the smaller and get sent.
    std::uint32_t seed = 100;
    for (const Range& range : DistanceRanges())
        for (unsigned distance : {range.base, range.base + (1u << range.extra) - 1}) {
            Bytes source = RandomBytes(distance, ++seed);
            for (std::uint8_t& byte : source)
                byte = static_cast<std::uint8_t>(byte % 144);
            data.insert(data.end(), source.begin(), source.end());
            for (std::size_t i = 0; i < 20; ++i)
                data.push_back(source[i % source.size()]);
        }

    const Inflated unpacked = Inflate(art::Deflate(data));
    ASSERT_EQ(unpacked.data, data);
    std::set<unsigned> allLengths, allDistances;
    for (unsigned code = 257; code <= 285; ++code)
        allLengths.insert(code);
    for (unsigned code = 0; code < 30; ++code)
        allDistances.insert(code);
    EXPECT_EQ(unpacked.lengthCodes, allLengths);
    EXPECT_EQ(unpacked.distanceCodes, allDistances);
}

// --- PNG -----------------------------------------------------------------------------------------

struct Chunk {
    std::string type;
    Bytes data;
};

// The chunks after the signature, each CRC checked.
std::vector<Chunk> Chunks(const Bytes& file) {
    const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(signature.begin(), signature.end(), file.begin()))
        throw std::runtime_error("no PNG signature");
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at < file.size()) {
        if (file.size() - at < 12)
            throw std::runtime_error("a chunk is cut short");
        const std::uint32_t length = BigEndian32(std::span(file).subspan(at));
        if (file.size() - at - 12 < length)
            throw std::runtime_error("a chunk runs past the end");
        const auto checked = std::span(file).subspan(at + 4, 4 + length);
        if (BigEndian32(std::span(file).subspan(at + 8 + length)) != art::Crc32(checked))
            throw std::runtime_error("a chunk's CRC does not match");
        chunks.push_back({std::string(checked.begin(), checked.begin() + 4),
                          Bytes(checked.begin() + 4, checked.end())});
        at += 12 + length;
    }
    return chunks;
}

// Undoes the None, Sub and Up filters of 8-bit RGBA rows.
std::vector<art::Rgba> Unfiltered(const Bytes& filtered, int width, int height) {
    const std::size_t rowBytes = 4 * static_cast<std::size_t>(width);
    if (filtered.size() != (rowBytes + 1) * static_cast<std::size_t>(height))
        throw std::runtime_error("the pixel data has the wrong size");
    Bytes previous(rowBytes, 0), pixels;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = &filtered[static_cast<std::size_t>(y) * (rowBytes + 1)];
        Bytes row(rowBytes);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const std::uint8_t left = i >= 4 ? row[i - 4] : 0;
            switch (line[0]) {
            case 0:
                row[i] = line[1 + i];
                break;
            case 1:
                row[i] = static_cast<std::uint8_t>(line[1 + i] + left);
                break;
            case 2:
                row[i] = static_cast<std::uint8_t>(line[1 + i] + previous[i]);
                break;
            default:
                throw std::runtime_error("filter " + std::to_string(line[0]));
            }
        }
        pixels.insert(pixels.end(), row.begin(), row.end());
        previous = row;
    }
    std::vector<art::Rgba> out;
    for (std::size_t i = 0; i < pixels.size(); i += 4)
        out.push_back({pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]});
    return out;
}

// Flat areas, a half-clear band, clear pixels with colour in them, and a patch of noise, so
// that rows differ from their neighbours in every way a filter could get wrong.
art::Image TestPicture(int width, int height) {
    art::Image image(width, height);
    image.FillRect(2, 3, width - 4, height / 2, art::Opaque(0xFF, 0xFF, 0xFF));
    image.FillRect(5, 6, width / 3, height / 3, art::Opaque(0xFF, 0x00, 0x00));
    image.FillRect(0, height - 5, width, 2, {0x10, 0x20, 0x30, 0x80});
    image.Set(width - 1, 0, {0xAB, 0xCD, 0xEF, 0x00});
    std::mt19937 random(9);
    for (int y = height / 2; y < height / 2 + 4 && y < height; ++y)
        for (int x = 0; x < width / 2; ++x) {
            const std::uint32_t bits = random();
            image.Set(x, y,
                      {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                       static_cast<std::uint8_t>(bits >> 16),
                       static_cast<std::uint8_t>(bits >> 24)});
        }
    return image;
}

TEST(Png, ReadsBackAsThePictureWithClearPixelsBlack) {
    for (auto [width, height] : {std::pair{1, 1}, std::pair{7, 3}, std::pair{256, 256}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        const art::Image image = TestPicture(width, height);
        std::vector<Chunk> chunks;
        ASSERT_NO_THROW(chunks = Chunks(art::EncodePng(image)));
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[0].type, "IHDR");
        EXPECT_EQ(chunks[1].type, "IDAT");
        EXPECT_EQ(chunks[2].type, "IEND");
        EXPECT_TRUE(chunks[2].data.empty());

        const Bytes& header = chunks[0].data;
        ASSERT_EQ(header.size(), 13u);
        EXPECT_EQ(BigEndian32(std::span(header).subspan(0)), std::uint32_t(width));
        EXPECT_EQ(BigEndian32(std::span(header).subspan(4)), std::uint32_t(height));
        // 8 bits per sample, RGBA, deflate, the basic filters, not interlaced.
        EXPECT_EQ(Bytes(header.begin() + 8, header.end()), (Bytes{8, 6, 0, 0, 0}));

        std::vector<art::Rgba> pixels;
        ASSERT_NO_THROW(pixels = Unfiltered(Unzlib(chunks[1].data), width, height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const art::Rgba expected = image.At(x, y).a == 0 ? art::Clear : image.At(x, y);
                const art::Rgba actual = pixels[static_cast<std::size_t>(y * width + x)];
                ASSERT_EQ(actual, expected) << "at (" << x << ", " << y << ")";
            }
    }
}

TEST(Png, FlatArtTakesAFewKilobytes) {
    art::Image image(256, 256);
    image.FillRect(0, 16, 256, 192, art::Opaque(0xFF, 0xFF, 0xFF));
    image.FillRect(24, 40, 208, 144, art::Opaque(0x00, 0x00, 0xFF));
    image.FillRect(96, 208, 64, 48, art::Opaque(0x80, 0x80, 0x80));
    EXPECT_LT(art::EncodePng(image).size(), 4096u);
}

// --- Icons ---------------------------------------------------------------------------------------

TEST(Icons, APngPictureIsStoredWholeBehindTheBitmapsWithA256PixelEntry) {
    const art::Image small(16, 16, art::Opaque(0xFF, 0x00, 0x00));
    const art::Image large = TestPicture(256, 256);
    const Bytes file = art::EncodeIcon(
        {{small, 4, art::StandardPalette16()}, {large, 32, {}, art::IconStorage::Png}});
    auto word = [&](std::size_t at) { return file[at] | file[at + 1] << 8; };
    auto dword = [&](std::size_t at) {
        return std::uint32_t(word(at)) | std::uint32_t(word(at + 2)) << 16;
    };
    ASSERT_GE(file.size(), 6u + 2 * 16);
    EXPECT_EQ(word(2), 1); // icon
    ASSERT_EQ(word(4), 2);

    const std::size_t entry = 6 + 16;
    EXPECT_EQ(file[entry], 0); // 256 wide
    EXPECT_EQ(file[entry + 1], 0);
    EXPECT_EQ(file[entry + 2], 0); // colours: not paletted
    EXPECT_EQ(word(entry + 4), 1);
    EXPECT_EQ(word(entry + 6), 32);
    const Bytes png = art::EncodePng(large);
    EXPECT_EQ(dword(entry + 8), png.size());
    EXPECT_EQ(dword(entry + 12) + png.size(), file.size()) << "the PNG picture comes last";
    EXPECT_EQ(dword(6 + 12) + dword(6 + 8), dword(entry + 12)) << "right behind the bitmap";
    EXPECT_TRUE(
        std::equal(png.begin(), png.end(), file.end() - static_cast<std::ptrdiff_t>(png.size())));

    EXPECT_THROW(art::EncodeIcon({{small, 4, art::StandardPalette16(), art::IconStorage::Png}}),
                 std::invalid_argument);
}

} // namespace
