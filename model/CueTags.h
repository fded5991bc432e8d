#pragma once

#include "codec/CommentEdit.h"

#include <string>
#include <string_view>
#include <vector>

namespace oq {

// What a cue sheet tells about its recording and tracks, as UTF-8 text.
// Tracks are those ParseCueSheet finds, in the same order, so that track k
// here is the track whose start is its entry k.
struct CueTags {
    struct Track {
        std::string Number; // as the TRACK line numbers it, leading zeros dropped
        std::string Title;
        std::string Performer;
        std::string Isrc;
    };
    std::string Title;     // of the album
    std::string Performer; // of the album
    std::string Date, Genre, Comment; // from REM lines
    std::vector<Track> Tracks;

    // The comments of the section that plays track `index` (from 0).
    CommentEdit TrackComments(std::size_t index) const;
};

CueTags ParseCueTags(std::string_view raw);

} // namespace oq
