#pragma once

#include "base/File.h"
#include "ogg/PageBuilder.h"
#include "ogg/PacketCopy.h"
#include "tools/SectionJob.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace oq {

class StreamCodec;

// The output side of a cut: one new Ogg stream per section, paged as libogg's
// stream layer pages it (PageBuilder) from the packets handed in. Pages are
// built straight into a buffer that is written in large blocks, the rest
// when the output closes, so that a page of about 4 KiB is not a system call
// of its own. With the job's SkipOutput set everything is computed and
// nothing is written. Sections written one after another into one open
// output become the links of a chained file; the output opens with the first
// written section (a new file, replacing any of its name) and closes only
// when told, so the caller must not close it between the sections of one
// file.
class SectionWriter {
public:
    SectionWriter() = default;
    SectionWriter(const SectionWriter&) = delete;
    SectionWriter& operator=(const SectionWriter&) = delete;

    // BeginOutputStream: opens the job's output (unless skipped or already
    // open), starts a stream with the job's serial number and puts the
    // codec's headers for a section with `preSkip` on pages of their own.
    void Begin(const SectionJob& job, const StreamCodec& codec, std::int64_t preSkip = 0);
    // Queues one packet with the given granule position and writes every
    // page the stream layer completes.
    void Submit(const ogg_packet& packet, std::int64_t granule, bool endOfStream);
    // Ends the current page, so that the next packet starts a new one.
    void Flush();
    // Writes the bytes of a page made elsewhere.
    void WriteRaw(const std::vector<unsigned char>& page);
    void ClearStream() noexcept { stream_.reset(); }
    // Writes what is gathered and closes the file; write errors are raised
    // here. An output never closed (a failed run) loses what was gathered.
    void CloseOutput();
    bool OutputOpen() const noexcept { return outputFile_.IsOpen(); }

private:
    // After a page was built into gathered_.
    void PageGathered();
    void WriteGathered();

    File outputFile_;
    std::vector<unsigned char> gathered_; // pages not yet written
    std::unique_ptr<PageBuilder> stream_;
    bool skipOutput_ = false;
};

} // namespace oq
