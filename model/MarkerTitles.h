#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace oq {

// Names carried with markers from a file that had them (a cue sheet's track
// titles, a label file's texts), by block position: the section that starts
// at a titled marker takes its title.
class MarkerTitles {
public:
    // Keeps the first title given for a position; empty titles are none.
    void Add(std::int32_t position, const std::string& title);
    // The title given for `position`, else `otherwise`.
    std::string TitleAt(std::int32_t position, const std::string& otherwise) const;

private:
    std::map<std::int32_t, std::string> titles_;
};

} // namespace oq
