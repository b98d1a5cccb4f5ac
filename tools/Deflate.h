// Lossless compression for the PNG picture inside the program's icon, and the two checksums
// that go with it. Deliberately plain: LZ77 matches found through a short hash chain, coded
// with the fixed Huffman tables, and blocks of raw bytes wherever coding would not pay. The
// art is flat colour and clear pixels, for which that is all it takes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace art {

// A raw deflate stream: no header, no checksum.
std::vector<std::uint8_t> Deflate(std::span<const std::uint8_t> data);

// Deflate wrapped as a zlib stream: the two-byte header, the blocks, the Adler-32 of `data`.
std::vector<std::uint8_t> ZlibCompress(std::span<const std::uint8_t> data);

std::uint32_t Adler32(std::span<const std::uint8_t> data);

// The CRC that closes every PNG chunk (reflected polynomial 0xEDB88320).
std::uint32_t Crc32(std::span<const std::uint8_t> data);

} // namespace art
