#include "ogg/LinkSerials.h"

#include "ogg/PageChecksum.h"
#include "ogg/PageLayout.h"

namespace oq {

namespace {

// A 64-bit mixer (splitmix64's finaliser): the new numbers look as random
// as an encoder's own, so that they are unlikely to meet the number of an
// input still to come, and a join gives the same bytes every time.
std::uint64_t Mix(std::uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

} // namespace

std::uint32_t LinkSerials::Begin(std::uint32_t serial)
{
    const std::uint32_t output = used_.contains(serial) ? Unused(serial) : serial;
    used_.insert(output);
    open_[serial] = output;
    return output;
}

std::uint32_t LinkSerials::Of(std::uint32_t serial)
{
    if (const auto link = open_.find(serial); link != open_.end())
        return link->second;
    used_.insert(serial);
    return serial;
}

void LinkSerials::End(std::uint32_t serial)
{
    open_.erase(serial);
}

void LinkSerials::Renumber(ogg_page& page)
{
    const auto serial = static_cast<std::uint32_t>(ogg_page_serialno(&page));
    const std::uint32_t wanted = ogg_page_bos(&page) ? Begin(serial) : Of(serial);
    if (ogg_page_eos(&page))
        End(serial);
    if (wanted == serial)
        return;
    for (int i = 0; i < 4; ++i)
        page.header[PageLayout::kSerialAt + i] = static_cast<unsigned char>(wanted >> (8 * i));
    PageChecksum::Set(page.header, static_cast<std::size_t>(page.header_len), page.body,
                      static_cast<std::size_t>(page.body_len));
}

void LinkSerials::Clear() noexcept
{
    used_.clear();
    open_.clear();
    renumbered_ = 0;
}

std::uint32_t LinkSerials::Unused(std::uint32_t serial)
{
    // Terminates: at most a few links' numbers of the 2^32 are taken.
    for (;;) {
        const auto candidate =
            static_cast<std::uint32_t>(Mix((static_cast<std::uint64_t>(serial) << 32) | ++renumbered_));
        if (!used_.contains(candidate))
            return candidate;
    }
}

} // namespace oq
