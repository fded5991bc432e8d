#pragma once

#include "ogg/PageLayout.h"

#include <cstddef>
#include <cstdint>

namespace oq {

// The checksum of an Ogg page: a CRC-32 with the polynomial 0x04c11db7,
// most significant bit first, starting from 0 and not inverted at the end,
// over the header (with its own checksum field, bytes 22 to 25, counted as
// zero) and then the body. The value is libogg's, computed faster: on
// processors with a carry-less multiply, 64 bytes at a time by folding, else
// eight bytes at a time from tables.
class PageChecksum {
public:
    // Where a page header keeps its checksum, least significant byte first.
    static constexpr std::size_t kFieldAt = PageLayout::kChecksumAt;
    static constexpr std::size_t kFieldBytes = 4;

    // The checksum of a page; the header (27 bytes and its segment table)
    // is read, not changed.
    static std::uint32_t Of(const unsigned char* header, std::size_t headerBytes, const unsigned char* body,
                            std::size_t bodyBytes) noexcept;
    // Computes a page's checksum and stores it in its header.
    static void Set(unsigned char* header, std::size_t headerBytes, const unsigned char* body,
                    std::size_t bodyBytes) noexcept;
    // Whether the checksum a page's header holds is the one of its bytes.
    static bool Matches(const unsigned char* header, std::size_t headerBytes, const unsigned char* body,
                        std::size_t bodyBytes) noexcept;

    // The checksum after `crc` of the bytes before, over `count` more bytes.
    static std::uint32_t Extend(std::uint32_t crc, const unsigned char* bytes, std::size_t count) noexcept;
};

} // namespace oq
