#include "tools/CutPlanCheck.h"

#include "tools/CutPointCheck.h"
#include "tools/SourceReader.h"

#include <algorithm>

namespace oq {

namespace {

// A codec with a pre-skip opens every later section on decoder pre-roll
// with a pre-skip of its own, so a section may lie anywhere, even inside one
// packet: only the order of the cut points and the end of the audio limit
// it. The whole source is read to find that end.
std::int64_t RequireOnPreRoll(SourceReader& reader, CutPointCheck& check, const std::vector<SectionJob>& sections)
{
    std::int64_t audioEnd = 0;
    SourcePacket packet;
    while (reader.NextPacket(packet))
        audioEnd = std::max(audioEnd, packet.Time.End);
    std::int64_t start = 0;
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const bool toEnd = k + 1 == sections.size();
        check.BeginSection(sections[k], k == 0, start, toEnd);
        if (!toEnd && check.End() > audioEnd)
            check.PastTheEnd(audioEnd);
        start = check.End();
    }
    return reader.VerifiedEnd();
}

} // namespace

// Follows SectionEngine::Cut step by step: a section after the first opens
// with the packet that held the previous cut, which may end it at once.
std::int64_t CutPlanCheck::Require(const std::string& sourceName, const std::vector<SectionJob>& sections)
{
    if (sections.empty())
        return 0;
    SourceReader reader(sourceName);
    reader.CaptureHeaders();
    CutPointCheck check(sourceName);
    if (reader.Codec().MostPreSkip() > 0)
        return RequireOnPreRoll(reader, check, sections);
    TimedPacket boundary;
    bool boundaryHeld = false;
    bool boundaryLast = false;
    bool anchorSeen = false;
    std::int64_t lastCut = 0;
    SourcePacket packet;
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const bool toEnd = k + 1 == sections.size();
        check.BeginSection(sections[k], !boundaryHeld, boundaryHeld ? lastCut : 0, toEnd);
        const std::int64_t end = check.End();
        if (boundaryHeld && boundary.End > end) {
            check.RequireStartAt(boundary, boundaryLast);
            lastCut = end;
            continue;
        }
        if (boundaryHeld && boundaryLast) {
            if (!toEnd)
                check.PastTheEnd(reader.Position());
            check.RequireStartAt(boundary, true);
            return reader.VerifiedEnd();
        }
        bool cut = false;
        while (!cut && reader.NextPacket(packet)) {
            check.RequireHeadTrimKept(packet.Time);
            anchorSeen = anchorSeen || packet.Time.Anchor;
            if (packet.Time.End > end) {
                boundary = packet.Time;
                boundaryLast = packet.Last;
                boundaryHeld = true;
                lastCut = end;
                cut = true;
            } else if (packet.Last) {
                if (!toEnd)
                    check.PastTheEnd(reader.Position());
                return reader.VerifiedEnd();
            } else if (toEnd && anchorSeen) {
                // Only the packet that anchors the timeline drops samples
                // from its front: the rest of the last section is sure.
                return reader.VerifiedEnd();
            }
        }
        // A source without audio is the engine's to refuse.
        if (!cut && !toEnd)
            check.PastTheEnd(reader.Position());
        if (!cut)
            return reader.VerifiedEnd();
    }
    return reader.VerifiedEnd(); // not reached: the last section returns above
}

} // namespace oq
