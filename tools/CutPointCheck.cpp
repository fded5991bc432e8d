#include "tools/CutPointCheck.h"

#include "base/Error.h"

#include <limits>

namespace oq {

void CutPointCheck::BeginSection(const SectionJob& job, bool fromStart, std::int64_t start, bool toEnd)
{
    ++sections_;
    number_ = job.SectionNumber > 0 ? job.SectionNumber : sections_;
    title_ = job.Title;
    skipped_ = job.SkipOutput;
    start_ = start;
    end_ = toEnd ? std::numeric_limits<std::int64_t>::max() : job.EndGranule;
    fromStart_ = fromStart;
    toEnd_ = toEnd;
    if (fromStart)
        linkStart_ = 0;
    if (!fromStart && job.StartGranule != start)
        throw RangeError(Section() + " must start where the previous one ended (sample " + std::to_string(start) + ")");
    if (end_ <= start)
        throw RangeError(Section() + ": cut points must rise: sample " + std::to_string(end_) + " does not lie after sample " +
                         std::to_string(start));
}

void CutPointCheck::EnterLink(std::int64_t linkStart) noexcept
{
    linkStart_ = linkStart;
    fromStart_ = true;
}

std::string CutPointCheck::Section() const
{
    const std::string section = title_.empty() ? "section " + std::to_string(number_) : title_;
    std::string text = "\"" + sourceName_ + "\": " + section + " (samples " + std::to_string(start_) + " to ";
    return text + (toEnd_ ? std::string("the end") : std::to_string(end_)) + ")";
}

void CutPointCheck::RequireHeadTrimKept(const TimedPacket& time) const
{
    const std::int64_t end = linkStart_ + time.End;
    if (time.HeadTrim > 0 && (!fromStart_ || end > end_) && linkStart_ + time.First() < end_) {
        const std::string link = linkStart_ == 0 ? "the file" : "the link at sample " + std::to_string(linkStart_);
        throw RangeError(Section() + ": cannot cut before sample " + std::to_string(end) + ": " + link +
                         " drops samples at the start of its first audio page, which only a section that starts with " +
                         (linkStart_ == 0 ? "the file" : "that link") + " and runs past that sample can do");
    }
}

void CutPointCheck::RequireStartAt(const TimedPacket& packet, bool last) const
{
    const std::int64_t first = linkStart_ + packet.First();
    const std::int64_t end = linkStart_ + packet.End;
    if (skipped_ || (packet.HeadTrim == 0 && start_ == linkStart_ + packet.FullStart()))
        return;
    std::string message = Section() + " lies inside one audio packet (samples " + std::to_string(first) + " to " +
                          std::to_string(end) + ") and cannot be cut exactly";
    // The end of the source is no cut point, and a packet that drops samples
    // from its front can open no section but the first.
    const bool startWorks = packet.HeadTrim == 0;
    const bool endWorks = !last && !toEnd_;
    if (startWorks || endWorks)
        message += "; cut points that work:";
    if (startWorks)
        message += " its start at sample " + std::to_string(first) + " or earlier";
    if (startWorks && endWorks)
        message += ", or";
    if (endWorks)
        message += " its end at sample " + std::to_string(end) + " or later";
    throw RangeError(message);
}

[[noreturn]] void CutPointCheck::PastTheEnd(std::int64_t audioEnd) const
{
    throw RangeError(Section() + ": the cut point at sample " + std::to_string(end_) +
                     " lies past the end of its audio (sample " + std::to_string(audioEnd) + ")");
}

} // namespace oq
