#pragma once

#include "media/FileLinks.h"
#include "media/MPEGData.h"

#include <array>
#include <string>
#include <vector>

namespace oq {

// What the information window and the time ruler show for one file record.
struct OggInformationText {
    // The lines of the information box; fields are aligned with tab characters.
    std::vector<std::string> Lines;
    // The ruler's quarter, half and three-quarter times ("HH:MM:SS"), the
    // texts of TimeLabel1..TimeLabel3.
    std::array<std::string, 3> TimeLabels;
    // False when there is no file to describe: the ruler keeps its texts.
    bool ChangesTimeLabels = false;
};

// The information text of `record`; a record without a file (FileSize < 1)
// gives the single line "No Ogg Information" and leaves the ruler alone.
OggInformationText ComposeOggInformation(const MPEGData& record);

// What the command line tells of a file's streams after its information
// text, aligned with tabs as that is. A file of one link: its codec, the
// pre-skip and output gain of a codec that has them, the comment header's
// vendor and every comment ("NAME=value", one a line). A chain: a line per
// link with its codec, rate, channels, length and TITLE, and the pre-skip
// and output gain where its codec has them.
std::vector<std::string> ComposeStreamInformation(const std::vector<FileLink>& links);

} // namespace oq
