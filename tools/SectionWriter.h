#pragma once

#include "base/File.h"
#include "ogg/OggStreamState.h"
#include "tools/SectionJob.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace oq {

class StreamCodec;

// The output side of a cut: one new Ogg stream per section, built by libogg's
// stream layer from the packets handed in and written page by page. With the
// job's SkipOutput set everything is computed and nothing is written.
class SectionWriter {
public:
    SectionWriter() = default;
    SectionWriter(const SectionWriter&) = delete;
    SectionWriter& operator=(const SectionWriter&) = delete;

    // BeginOutputStream: opens the job's output (unless skipped or already
    // open), starts a stream with the job's serial number and puts the
    // codec's headers on pages of their own.
    void Begin(const SectionJob& job, const StreamCodec& codec);
    // Queues one packet with the given granule position and writes every
    // page the stream layer completes.
    void Submit(const ogg_packet& packet, std::int64_t granule, bool endOfStream);
    // Ends the current page, so that the next packet starts a new one.
    void Flush();
    // Writes the bytes of a page made elsewhere.
    void WriteRaw(const std::vector<unsigned char>& page);
    void ClearStream() noexcept { stream_.reset(); }
    void CloseOutput();
    bool OutputOpen() const noexcept { return outputFile_.IsOpen(); }

private:
    void WriteOutputPage(const ogg_page& page);

    File outputFile_;
    std::unique_ptr<OggStreamState> stream_;
    bool skipOutput_ = false;
    std::int64_t packetNumber_ = 0;
};

} // namespace oq
