#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace oq {

// The comment fields ("NAME=value") link `link` (from 0) of a copy gets,
// from those its source link holds, in their order.
using CommentRewrite = std::function<std::vector<std::string>(std::size_t link, const std::vector<std::string>& fields)>;

// Writes to `output` (created, or truncated) a copy of the Ogg file `source`
// in which the comment header of every link's audio stream holds the fields
// `rewrite` gives; its vendor string and anything after its fields stay.
// Nothing else changes: the other header packets and every audio packet are
// the source's bytes, and the audio stream's pages after its headers keep
// their packets, flags and granule positions, their page numbers moved to
// follow the new header pages (with their checksums made anew). Pages of
// other streams, and bytes that are no page, are copied as they are.
//
// Raises IoError for the files, what LinkHeaderReader raises for a link
// whose headers cannot be read, and FormatError for an audio stream whose
// first page holds more than its first header or whose last header page
// holds audio: the headers could not be replaced without repaging audio.
void CopyWithComments(const std::string& source, const std::string& output, const CommentRewrite& rewrite);

} // namespace oq
