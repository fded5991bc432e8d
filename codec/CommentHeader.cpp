#include "codec/CommentHeader.h"

#include "base/Error.h"

#include <cstdint>

namespace oq {

namespace {

class LengthReader {
public:
    explicit LengthReader(std::string_view bytes) : rest_(bytes) {}

    std::uint32_t Length()
    {
        if (rest_.size() < 4)
            Fail();
        std::uint32_t value = 0;
        for (int k = 3; k >= 0; --k)
            value = (value << 8) | static_cast<unsigned char>(rest_[static_cast<std::size_t>(k)]);
        rest_.remove_prefix(4);
        return value;
    }

    std::string Text()
    {
        const std::uint32_t length = Length();
        if (length > rest_.size())
            Fail();
        std::string text(rest_.substr(0, length));
        rest_.remove_prefix(length);
        return text;
    }

    std::string_view Rest() const noexcept { return rest_; }

    [[noreturn]] static void Fail() { throw FormatError("comment header", "is cut short"); }

private:
    std::string_view rest_;
};

void AppendLength(std::string& out, std::size_t length)
{
    for (int k = 0; k < 4; ++k)
        out += static_cast<char>((length >> (8 * k)) & 0xff);
}

} // namespace

CommentHeader CommentHeader::Parse(std::string_view packet, const Form& form)
{
    if (!packet.starts_with(form.Magic))
        throw FormatError("comment header", "does not start with its magic");
    LengthReader reader(packet.substr(form.Magic.size()));
    CommentHeader header;
    header.Vendor = reader.Text();
    const std::uint32_t count = reader.Length();
    // Each field takes at least its four length bytes: a larger count is damage.
    if (count > reader.Rest().size() / 4)
        LengthReader::Fail();
    header.Fields.reserve(count);
    for (std::uint32_t k = 0; k < count; ++k)
        header.Fields.push_back(reader.Text());
    if (form.FramingBit && (reader.Rest().empty() || (reader.Rest().front() & 1) == 0))
        throw FormatError("comment header", "lacks its framing bit");
    if (!form.FramingBit && !reader.Rest().empty() && (reader.Rest().front() & 1) != 0)
        header.Trailer = reader.Rest();
    return header;
}

std::string CommentHeader::Serialize(const Form& form) const
{
    std::string out(form.Magic);
    AppendLength(out, Vendor.size());
    out += Vendor;
    AppendLength(out, Fields.size());
    for (const std::string& field : Fields) {
        AppendLength(out, field.size());
        out += field;
    }
    if (form.FramingBit)
        out += '\x01';
    out += Trailer;
    return out;
}

} // namespace oq
