#pragma once

#include "model/Chapters.h"

#include <string>
#include <vector>

namespace oq {

// Writes `target`, a copy of the Ogg file `source` whose comments carry
// `chapters` (frames of the whole file, rising, inside the audio) as chapter
// fields, in place of the chapter fields it had; every other comment field
// and every audio packet stay as they are (see CopyWithComments). A chapter
// without a title is called "Chapter k", k its place in `chapters`.
//
// In a chained file each link carries the chapters that begin within it,
// their times counted from the link's start, as ReadChapters reads them
// back; a link without one loses its chapter fields.
//
// `target` obeys RequireWritableOutput against `source` and `otherInputs`
// and is written through a temporary file renamed to it, removed on any
// failure. Raises what those raise, RangeError for a chapter outside the
// audio or out of order and for a link given more chapters than the fields
// can number, and CopyWithComments' errors.
void WriteChapterCopy(const std::string& source, const std::string& target, std::vector<Chapter> chapters,
                      const std::vector<std::string>& otherInputs = {});

} // namespace oq
