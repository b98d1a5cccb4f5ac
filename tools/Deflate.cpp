#include "tools/Deflate.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace art {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int MinMatch = 3;
constexpr int MaxMatch = 258;
constexpr std::size_t Window = 32768; // the farthest back a match may reach
// How many earlier places with the same three bytes are tried. Flat art finds its best match
// at the first or second try; the cap only bounds the time on busy data.
constexpr int ChainLimit = 32;
constexpr int HashBits = 15;

// Lengths 3…258 and distances 1…32768 are sent as a code for a range plus extra bits for the
// place in it.
constexpr std::array<std::uint16_t, 29> LengthBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                   15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                   67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> LengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> DistanceBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> DistanceExtra{0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                     4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                     9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The index of the range `value` falls in: the last base not above it.
template <typename Table>
std::size_t RangeOf(const Table& bases, unsigned value) {
    return static_cast<std::size_t>(std::upper_bound(bases.begin(), bases.end(), value) -
                                    bases.begin()) -
           1;
}

// A literal byte (length 0) or a match of `length` bytes from `distance` back.
struct Token {
    std::uint16_t length;
    std::uint16_t value; // the byte, or the distance
};

// Greedy LZ77: at each place the longest match among the last ChainLimit places that began
// with the same three bytes, or a literal. Every place enters the chain, including those a
// match covers, so that long runs keep finding themselves.
std::vector<Token> FindMatches(std::span<const std::uint8_t> data) {
    const std::size_t size = data.size();
    constexpr std::size_t None = static_cast<std::size_t>(-1);
    std::vector<std::size_t> head(std::size_t{1} << HashBits, None);
    std::vector<std::size_t> previous(size, None);
    auto hashAt = [&](std::size_t at) {
        const std::uint32_t key =
            std::uint32_t(data[at]) << 16 | std::uint32_t(data[at + 1]) << 8 | data[at + 2];
        return (key * 2654435761u) >> (32 - HashBits);
    };
    auto insert = [&](std::size_t at) {
        if (at + MinMatch > size)
            return;
        const std::uint32_t hash = hashAt(at);
        previous[at] = head[hash];
        head[hash] = at;
    };

    std::vector<Token> tokens;
    std::size_t at = 0;
    while (at < size) {
        std::size_t bestLength = 0, bestDistance = 0;
        if (at + MinMatch <= size) {
            const std::size_t limit = std::min<std::size_t>(MaxMatch, size - at);
            std::size_t candidate = head[hashAt(at)];
            for (int tries = 0; candidate != None && at - candidate <= Window && tries < ChainLimit;
                 ++tries, candidate = previous[candidate]) {
                std::size_t length = 0;
                while (length < limit && data[candidate + length] == data[at + length])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = at - candidate;
                    if (length == limit)
                        break;
                }
            }
        }
        if (bestLength >= MinMatch) {
            tokens.push_back(
                {static_cast<std::uint16_t>(bestLength), static_cast<std::uint16_t>(bestDistance)});
            for (std::size_t end = at + bestLength; at < end; ++at)
                insert(at);
        } else {
            tokens.push_back({0, data[at]});
            insert(at);
            ++at;
        }
    }
    return tokens;
}

// Bits go into each byte from its least significant end; Huffman codes are sent from their
// most significant bit, other fields from their least.
class BitWriter {
public:
    void Bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            Bit((value >> i) & 1);
    }
    void Code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i)
            Bit((code >> i) & 1);
    }
    void AlignToByte() {
        while (filled_ != 0)
            Bit(0);
    }
    void Byte(std::uint8_t value) { bytes_.push_back(value); } // only when aligned
    Bytes Take() {
        AlignToByte();
        return std::move(bytes_);
    }

private:
    void Bit(std::uint32_t bit) {
        current_ |= static_cast<std::uint8_t>(bit << filled_);
        if (++filled_ == 8) {
            bytes_.push_back(current_);
            current_ = 0;
            filled_ = 0;
        }
    }

    Bytes bytes_;
    std::uint8_t current_ = 0;
    int filled_ = 0;
};

// The fixed literal/length code: 0–143 in 8 bits, 144–255 in 9, 256–279 in 7, 280–287 in 8.
void PutSymbol(BitWriter& out, unsigned symbol) {
    if (symbol < 144)
        out.Code(0x30 + symbol, 8);
    else if (symbol < 256)
        out.Code(0x190 + (symbol - 144), 9);
    else if (symbol < 280)
        out.Code(symbol - 256, 7);
    else
        out.Code(0xC0 + (symbol - 280), 8);
}

int SymbolBits(unsigned symbol) {
    return symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
}

constexpr unsigned EndOfBlock = 256;

int TokenBits(const Token& token) {
    if (token.length == 0)
        return SymbolBits(token.value);
    const std::size_t length = RangeOf(LengthBase, token.length);
    const std::size_t distance = RangeOf(DistanceBase, token.value);
    return SymbolBits(257 + static_cast<unsigned>(length)) + LengthExtra[length] + 5 +
           DistanceExtra[distance];
}

void PutToken(BitWriter& out, const Token& token) {
    if (token.length == 0) {
        PutSymbol(out, token.value);
        return;
    }
    const std::size_t length = RangeOf(LengthBase, token.length);
    PutSymbol(out, 257 + static_cast<unsigned>(length));
    out.Bits(token.length - LengthBase[length], LengthExtra[length]);
    const std::size_t distance = RangeOf(DistanceBase, token.value);
    out.Code(static_cast<std::uint32_t>(distance), 5);
    out.Bits(token.value - DistanceBase[distance], DistanceExtra[distance]);
}

// Input per block. Smaller blocks would follow changes in the data more closely, each at the
// price of a block head; the art gains nothing from it either way.
constexpr std::size_t BlockInput = 16384;
// A block ends with the match that reaches BlockInput, so it can run a match's length past it;
// a raw block, with its 16-bit length field, must still hold it whole.
static_assert(BlockInput + MaxMatch <= 65535);

void PutStored(BitWriter& out, std::span<const std::uint8_t> bytes, bool last) {
    out.Bits(last ? 1 : 0, 1);
    out.Bits(0, 2);
    out.AlignToByte();
    out.Bits(static_cast<std::uint32_t>(bytes.size()), 16);
    out.Bits(static_cast<std::uint32_t>(~bytes.size() & 0xFFFF), 16);
    for (std::uint8_t byte : bytes)
        out.Byte(byte);
}

} // namespace

Bytes Deflate(std::span<const std::uint8_t> data) {
    const std::vector<Token> tokens = FindMatches(data);
    BitWriter out;
    std::size_t next = 0, position = 0;
    do {
        // The tokens of the next block: whole matches, at least BlockInput bytes unless the
        // data ends first.
        const std::size_t first = next, start = position;
        long long codedBits = 3 + SymbolBits(EndOfBlock);
        while (next < tokens.size() && position - start < BlockInput) {
            codedBits += TokenBits(tokens[next]);
            position += tokens[next].length == 0 ? 1 : tokens[next].length;
            ++next;
        }
        const bool last = next == tokens.size();
        const std::size_t size = position - start;
        // A raw block costs its head, the padding to the byte boundary (at most 7 bits) and
        // the two length fields; random data codes to more than that.
        const long long storedBits = 3 + 7 + 32 + 8 * static_cast<long long>(size);
        if (storedBits < codedBits) {
            PutStored(out, data.subspan(start, size), last);
            continue;
        }
        out.Bits(last ? 1 : 0, 1);
        out.Bits(1, 2); // fixed Huffman codes
        for (std::size_t i = first; i < next; ++i)
            PutToken(out, tokens[i]);
        PutSymbol(out, EndOfBlock);
    } while (next < tokens.size());
    return out.Take();
}

Bytes ZlibCompress(std::span<const std::uint8_t> data) {
    // Deflate with a 32 KB window, "fast" level; the header read as a big-endian number is a
    // multiple of 31.
    Bytes out{0x78, 0x5E};
    const Bytes body = Deflate(data);
    out.insert(out.end(), body.begin(), body.end());
    const std::uint32_t adler = Adler32(data);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(adler >> shift));
    return out;
}

std::uint32_t Adler32(std::span<const std::uint8_t> data) {
    constexpr std::uint32_t Modulus = 65521;
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % Modulus;
        b = (b + a) % Modulus;
    }
    return b << 16 | a;
}

std::uint32_t Crc32(std::span<const std::uint8_t> data) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : data)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

} // namespace art
