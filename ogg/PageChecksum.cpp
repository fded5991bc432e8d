#include "ogg/PageChecksum.h"

#include <array>

#if defined(__x86_64__) || defined(__i386__)
#define OQ_FOLDING_CHECKSUM 1
#include <immintrin.h>
#endif

namespace oq {

namespace {

// The generator without its x^32 term; bit i holds the coefficient of x^i.
constexpr std::uint32_t kPolynomial = 0x04c11db7;
constexpr std::uint32_t kTopBit = 0x80000000;

// The checksum register multiplied by x, modulo the generator.
constexpr std::uint32_t TimesX(std::uint32_t value)
{
    return (value & kTopBit) ? (value << 1) ^ kPolynomial : value << 1;
}

// Slice k of the tables: the register after byte i followed by k zero bytes,
// so eight bytes can be taken in one step, each through its own slice.
constexpr int kSlices = 8;
using Slices = std::array<std::array<std::uint32_t, 256>, kSlices>;

constexpr Slices MakeSlices()
{
    Slices slices{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            value = TimesX(value);
        slices[0][i] = value;
    }
    for (int k = 1; k < kSlices; ++k)
        for (std::size_t i = 0; i < 256; ++i)
            slices[k][i] = (slices[k - 1][i] << 8) ^ slices[0][slices[k - 1][i] >> 24];
    return slices;
}

constexpr Slices kSlicesTable = MakeSlices();

std::uint32_t ExtendByTables(std::uint32_t crc, const unsigned char* bytes, std::size_t count) noexcept
{
    const auto& t = kSlicesTable;
    while (count >= kSlices) {
        const std::uint32_t word = crc ^ (std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
                                          std::uint32_t{bytes[2]} << 8 | bytes[3]);
        crc = t[7][word >> 24] ^ t[6][(word >> 16) & 0xff] ^ t[5][(word >> 8) & 0xff] ^ t[4][word & 0xff] ^
              t[3][bytes[4]] ^ t[2][bytes[5]] ^ t[1][bytes[6]] ^ t[0][bytes[7]];
        bytes += kSlices;
        count -= kSlices;
    }
    for (; count > 0; --count)
        crc = (crc << 8) ^ t[0][(crc >> 24) ^ *bytes++];
    return crc;
}

#ifdef OQ_FOLDING_CHECKSUM

// x^n modulo the generator: what a bit n places further on contributes.
constexpr std::uint64_t PowerOfX(int n)
{
    std::uint32_t value = 1;
    for (int i = 0; i < n; ++i)
        value = TimesX(value);
    return value;
}

// Folding: the bytes are taken as 128-bit blocks whose most significant bit
// is the first bit of the message (the loads are byte-reversed). A block A
// followed by d more bits of message counts as A * x^d, and modulo the
// generator that equals high(A) * (x^(d+64) mod P) + low(A) * (x^d mod P):
// two carry-less products of at most 95 bits, added (xor) to the block
// that lies d bits on. Four blocks are folded side by side, each over the
// other three and itself (d = 512), then into one another (d = 128).
constexpr int kBlockBits = 128;
constexpr int kLanes = 4;
constexpr std::size_t kBlockBytes = kBlockBits / 8;
constexpr std::size_t kLaneBytes = kLanes * kBlockBytes;
constexpr std::uint64_t kAcrossLanesLow = PowerOfX(kLanes * kBlockBits);
constexpr std::uint64_t kAcrossLanesHigh = PowerOfX(kLanes * kBlockBits + 64);
constexpr std::uint64_t kAcrossBlockLow = PowerOfX(kBlockBits);
constexpr std::uint64_t kAcrossBlockHigh = PowerOfX(kBlockBits + 64);

__attribute__((target("pclmul,ssse3"))) inline __m128i ByteReversed(__m128i block)
{
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    return _mm_shuffle_epi8(block, reverse);
}

__attribute__((target("pclmul,ssse3"))) inline __m128i Load(const unsigned char* bytes)
{
    return ByteReversed(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
}

// `distance` holds x^d mod P in its low half and x^(d+64) mod P in its high.
__attribute__((target("pclmul,ssse3"))) inline __m128i Fold(__m128i block, __m128i distance, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(block, distance, 0x00);
    const __m128i high = _mm_clmulepi64_si128(block, distance, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

__attribute__((target("pclmul,ssse3"))) std::uint32_t ExtendByFolding(std::uint32_t crc, const unsigned char* bytes,
                                                                    std::size_t count) noexcept
{
    if (count < kLaneBytes)
        return ExtendByTables(crc, bytes, count);
    const __m128i acrossLanes = _mm_set_epi64x(static_cast<long long>(kAcrossLanesHigh), static_cast<long long>(kAcrossLanesLow));
    const __m128i acrossBlock = _mm_set_epi64x(static_cast<long long>(kAcrossBlockHigh), static_cast<long long>(kAcrossBlockLow));
    // The register of the bytes before counts as the first 32 bits of the
    // message added to these bytes' first 32 (the checksum is linear).
    __m128i lane0 = _mm_xor_si128(Load(bytes), _mm_set_epi32(static_cast<int>(crc), 0, 0, 0));
    __m128i lane1 = Load(bytes + kBlockBytes);
    __m128i lane2 = Load(bytes + 2 * kBlockBytes);
    __m128i lane3 = Load(bytes + 3 * kBlockBytes);
    bytes += kLaneBytes;
    count -= kLaneBytes;
    for (; count >= kLaneBytes; bytes += kLaneBytes, count -= kLaneBytes) {
        lane0 = Fold(lane0, acrossLanes, Load(bytes));
        lane1 = Fold(lane1, acrossLanes, Load(bytes + kBlockBytes));
        lane2 = Fold(lane2, acrossLanes, Load(bytes + 2 * kBlockBytes));
        lane3 = Fold(lane3, acrossLanes, Load(bytes + 3 * kBlockBytes));
    }
    __m128i block = Fold(Fold(Fold(lane0, acrossBlock, lane1), acrossBlock, lane2), acrossBlock, lane3);
    for (; count >= kBlockBytes; bytes += kBlockBytes, count -= kBlockBytes)
        block = Fold(block, acrossBlock, Load(bytes));
    // What is left is the message "block, then the rest", whose checksum
    // the tables give.
    alignas(16) unsigned char folded[kBlockBytes];
    _mm_store_si128(reinterpret_cast<__m128i*>(folded), ByteReversed(block));
    return ExtendByTables(ExtendByTables(0, folded, kBlockBytes), bytes, count);
}

#endif

using Extender = std::uint32_t (*)(std::uint32_t, const unsigned char*, std::size_t) noexcept;

Extender ChooseExtender() noexcept
{
#ifdef OQ_FOLDING_CHECKSUM
    if (__builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3"))
        return ExtendByFolding;
#endif
    return ExtendByTables;
}

const Extender kExtend = ChooseExtender();

constexpr unsigned char kZeroField[PageChecksum::kFieldBytes] = {};

} // namespace

std::uint32_t PageChecksum::Extend(std::uint32_t crc, const unsigned char* bytes, std::size_t count) noexcept
{
    return kExtend(crc, bytes, count);
}

std::uint32_t PageChecksum::Of(const unsigned char* header, std::size_t headerBytes, const unsigned char* body,
                               std::size_t bodyBytes) noexcept
{
    constexpr std::size_t kFieldEnd = kFieldAt + kFieldBytes;
    std::uint32_t crc = ExtendByTables(0, header, kFieldAt);
    crc = ExtendByTables(crc, kZeroField, kFieldBytes);
    crc = ExtendByTables(crc, header + kFieldEnd, headerBytes - kFieldEnd);
    return Extend(crc, body, bodyBytes);
}

void PageChecksum::Set(unsigned char* header, std::size_t headerBytes, const unsigned char* body,
                       std::size_t bodyBytes) noexcept
{
    const std::uint32_t crc = Of(header, headerBytes, body, bodyBytes);
    for (std::size_t i = 0; i < kFieldBytes; ++i)
        header[kFieldAt + i] = static_cast<unsigned char>(crc >> (8 * i));
}

bool PageChecksum::Matches(const unsigned char* header, std::size_t headerBytes, const unsigned char* body,
                           std::size_t bodyBytes) noexcept
{
    const std::uint32_t stored = std::uint32_t{header[kFieldAt]} | std::uint32_t{header[kFieldAt + 1]} << 8 |
                                 std::uint32_t{header[kFieldAt + 2]} << 16 | std::uint32_t{header[kFieldAt + 3]} << 24;
    return Of(header, headerBytes, body, bodyBytes) == stored;
}

} // namespace oq
