#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace oq {

// The comment header both Vorbis and Opus streams carry: a magic prefix, a
// vendor string and "NAME=value" fields, each length-prefixed (32-bit little
// endian), and for Vorbis a framing byte whose low bit is set. Field text is
// kept as the bytes the stream holds (UTF-8 by both formats' rules).
class CommentHeader {
public:
    // The magic prefix and framing rule of one codec's comment packet.
    struct Form {
        std::string_view Magic;
        bool FramingBit = false;
    };

    // Raises FormatError when the bytes are not a comment packet of `form`.
    static CommentHeader Parse(std::string_view packet, const Form& form);

    std::string Serialize(const Form& form) const;

    std::string Vendor;
    std::vector<std::string> Fields;
    // Binary data after the fields of a header without a framing bit (Opus)
    // whose first byte has its low bit set: editors keep it (cover art of
    // some taggers). With the low bit clear the rest is padding and dropped.
    std::string Trailer;
};

} // namespace oq
