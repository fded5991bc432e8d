#include "ogg/PageChecksum.h"

#include <gtest/gtest.h>
#include <ogg/ogg.h>

#include <random>
#include <vector>

namespace oq::test {
namespace {

// Random pages of every body length the folding treats apart (none, under
// one 64-byte step, around its multiples, a full page), checked against
// libogg's own checksum; a changed byte anywhere must no longer match.
TEST(PageChecksum, IsLibOggsOverRandomPages)
{
    std::mt19937 random(16);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 300; ++n)
        lengths.push_back(n);
    for (std::size_t n : {1023u, 1024u, 1025u, 4095u, 4096u, 4111u, 65025u})
        lengths.push_back(n);
    for (const std::size_t bodyBytes : lengths) {
        const std::size_t segments = 1 + bodyBytes / 255;
        std::vector<unsigned char> header(27 + segments);
        std::vector<unsigned char> body(bodyBytes);
        for (auto* bytes : {&header, &body})
            for (unsigned char& b : *bytes)
                b = static_cast<unsigned char>(byte(random));
        ogg_page page{header.data(), static_cast<long>(header.size()), body.data(), static_cast<long>(body.size())};
        ogg_page_checksum_set(&page);
        const std::vector<unsigned char> expected = header;
        // Whatever the field holds, it is counted as zero.
        header[PageChecksum::kFieldAt + 1] ^= 0x5a;
        PageChecksum::Set(header.data(), header.size(), body.data(), body.size());
        ASSERT_EQ(header, expected) << bodyBytes << " body bytes";
        ASSERT_TRUE(PageChecksum::Matches(header.data(), header.size(), body.data(), body.size()));
        std::vector<unsigned char>& changed = bodyBytes > 0 && byte(random) % 2 ? body : header;
        changed[static_cast<std::size_t>(byte(random)) % changed.size()] ^= 0x10;
        EXPECT_FALSE(PageChecksum::Matches(header.data(), header.size(), body.data(), body.size()))
            << bodyBytes << " body bytes";
    }
}

} // namespace
} // namespace oq::test
