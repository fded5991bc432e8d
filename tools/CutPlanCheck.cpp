#include "tools/CutPlanCheck.h"

#include "tools/CutPointCheck.h"
#include "tools/SourceReader.h"

#include <algorithm>
#include <optional>

namespace oq {

namespace {

// Follows SectionEngine::Cut step by step over the source's packets without
// writing: a section after the first opens with the packet that held the
// previous cut, which may end it at once; a section runs link by link until
// its cut. Positions are those of the chained timeline; packet times count
// from the start of their link.
class PlanWalk {
public:
    explicit PlanWalk(const std::string& sourceName) : reader_(sourceName), check_(sourceName) { reader_.CaptureHeaders(); }

    std::int64_t Require(const std::vector<SectionJob>& sections)
    {
        for (std::size_t k = 0; k < sections.size(); ++k) {
            const bool toEnd = k + 1 == sections.size();
            check_.BeginSection(sections[k], k == 0, lastCut_, toEnd);
            if (!boundaryHeld_)
                check_.EnterLink(linkStart_);
            const std::int64_t end = check_.End();
            while (!CutInLink(end, toEnd)) {
                // The rest of the source goes into the last section as it is.
                if (toEnd)
                    return reader_.VerifiedEnd();
                const std::int64_t linkEnd = lastCut_;
                if (!EnterNextLink())
                    check_.PastTheEnd(linkEnd);
                if (end == linkEnd)
                    break;
            }
            if (toEnd)
                return reader_.VerifiedEnd();
        }
        return reader_.VerifiedEnd();
    }

private:
    bool EnterNextLink()
    {
        if (!reader_.NextLink())
            return false;
        linkStart_ = lastCut_;
        boundaryHeld_ = false;
        anchorSeen_ = false;
        preRollLength_.reset();
        check_.EnterLink(linkStart_);
        return true;
    }

    // True when the section ends in the link being read; false when the
    // link ends first, at lastCut_.
    bool CutInLink(std::int64_t end, bool toEnd)
    {
        const std::int64_t linkEnd = toEnd ? end : end - linkStart_;
        if (reader_.Codec().Descriptor().OpensOnPreRoll())
            return CutOnPreRoll(end, linkEnd);
        if (boundaryHeld_ && boundary_.End > linkEnd) {
            check_.RequireStartAt(boundary_, boundaryLast_);
            lastCut_ = end;
            return true;
        }
        if (boundaryHeld_ && boundaryLast_) {
            check_.RequireStartAt(boundary_, true);
            lastCut_ = linkStart_ + boundary_.End;
            return false;
        }
        SourcePacket packet;
        while (reader_.NextPacket(packet)) {
            check_.RequireHeadTrimKept(packet.Time);
            anchorSeen_ = anchorSeen_ || packet.Time.Anchor;
            if (packet.Time.End > linkEnd) {
                boundary_ = packet.Time;
                boundaryLast_ = packet.Last;
                boundaryHeld_ = true;
                lastCut_ = end;
                return true;
            }
            if (packet.Last) {
                lastCut_ = linkStart_ + packet.Time.End;
                return false;
            }
            // Only the packet that anchors the timeline drops samples from
            // its front: the rest of the last section is sure.
            if (toEnd && anchorSeen_)
                return true;
        }
        // A link without audio is the engine's to refuse.
        if (!toEnd)
            check_.PastTheEnd(linkStart_ + reader_.Position());
        return true;
    }

    // A codec that opens sections on pre-roll gives every later section
    // decoder pre-roll under a pre-skip of its own, so a section may lie
    // anywhere in a link, even inside one packet; a cut at the link's last
    // sample ends with the link. The link is read to its end once to find
    // that end.
    bool CutOnPreRoll(std::int64_t end, std::int64_t linkEnd)
    {
        if (!preRollLength_) {
            std::int64_t length = 0;
            SourcePacket packet;
            while (reader_.NextPacket(packet))
                length = std::max(length, packet.Time.End);
            preRollLength_ = length;
        }
        boundaryHeld_ = true;
        if (linkEnd < *preRollLength_) {
            lastCut_ = end;
            return true;
        }
        lastCut_ = linkStart_ + *preRollLength_;
        return false;
    }

    SourceReader reader_;
    CutPointCheck check_;
    TimedPacket boundary_;
    bool boundaryHeld_ = false;
    bool boundaryLast_ = false;
    bool anchorSeen_ = false;
    std::int64_t lastCut_ = 0;
    std::int64_t linkStart_ = 0;
    std::optional<std::int64_t> preRollLength_; // samples of the pre-roll link being read, once read
};

} // namespace

std::int64_t CutPlanCheck::Require(const std::string& sourceName, const std::vector<SectionJob>& sections)
{
    if (sections.empty())
        return 0;
    return PlanWalk(sourceName).Require(sections);
}

} // namespace oq
