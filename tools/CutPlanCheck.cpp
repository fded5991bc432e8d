#include "tools/CutPlanCheck.h"

#include "tools/CutPointCheck.h"
#include "tools/SourceReader.h"

namespace oq {

// Follows SectionEngine::Cut step by step: a section after the first opens
// with the packet that held the previous cut, which may end it at once.
std::int64_t CutPlanCheck::Require(const std::string& sourceName, const std::vector<SectionJob>& sections)
{
    if (sections.empty())
        return 0;
    SourceReader reader(sourceName);
    reader.CaptureHeaders();
    CutPointCheck check(sourceName);
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
