#pragma once

#include "base/File.h"
#include "tools/RenumberingPageCopier.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oq {

class JobControl;

// The copy of a join: appends a byte range of one input after another to
// one output, so the inputs' Ogg streams follow one another as chained
// links. The bytes go unchanged, except that a link whose serial number an
// earlier link of the output already carries is given a new one (see
// LinkSerials), since two links of one number make an unplayable file.
// The output stays open from the first copy to CloseOutput; each input is
// opened by its copy and closed by CloseSource.
class Joiner {
public:
    // Bytes moved per step; pause and cancel are looked at before each.
    static constexpr std::size_t kChunkBytes = 4097;

    Joiner() : buffer_(kChunkBytes) {}
    Joiner(const Joiner&) = delete;
    Joiner& operator=(const Joiner&) = delete;

    // Appends `length` bytes of `sourceName`, from byte `offset` on, to the
    // end of `outputName`, opening either file when it is not open yet (the
    // output is created or truncated then). Returns false when the copy was
    // cancelled between two chunks. An input that no longer holds the range
    // raises IoError naming it.
    bool CopyBytes(const std::string& sourceName, const std::string& outputName, std::int64_t offset,
                   std::int64_t length, const JobControl& control);

    void CloseSource();
    // A late write error of the output is raised here.
    void CloseOutput();
    // Closes whatever is open without reporting anything: the run failed or
    // was cancelled and the output is thrown away.
    void Abandon() noexcept;

    bool SourceOpen() const noexcept { return source_.IsOpen(); }
    bool OutputOpen() const noexcept { return output_.IsOpen(); }

private:
    File source_;
    File output_;
    RenumberingPageCopier pages_;
    std::vector<unsigned char> buffer_;
};

} // namespace oq
