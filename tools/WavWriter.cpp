#include "tools/WavWriter.h"

#include "base/Error.h"
#include "base/File.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "media/CodecChoice.h"
#include "media/PartDecoder.h"
#include "tools/PlannedParts.h"
#include "tools/WavHeader.h"
#include "codec/ChannelLayout.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace oq {

namespace {

constexpr std::size_t kReadBytes = 8192;
constexpr int kBytesPerSample = 2; // 16-bit samples

ChannelLayout LayoutOf(const StreamFormat& format) { return ChannelLayout(format.Channels, format.PlacedChannels); }

// "44100 Hz stereo", as a refusal names a link's format.
std::string FormatText(const StreamFormat& format)
{
    const std::string channels = format.Channels == 1   ? "mono"
                                 : format.Channels == 2 ? "stereo"
                                                        : std::to_string(format.Channels) + " channels";
    return std::to_string(format.Rate) + " Hz " + channels;
}

// Links whose format the decoder cannot tell are not compared: their
// samples, if any, are written as the library gives them.
void RequireOneFormat(FileDecoder& decoder, const std::string& source)
{
    const std::optional<StreamFormat> first = decoder.Format(0);
    for (int link = 1; first && link < decoder.Links(); ++link) {
        const std::optional<StreamFormat> format = decoder.Format(link);
        if (!format || (format->Rate == first->Rate && format->Channels == first->Channels))
            continue;
        throw FormatError(source, "link " + std::to_string(link + 1) + " is " + FormatText(*format) +
                                      "; link 1 is " + FormatText(*first) +
                                      ": one WAV file holds one format — convert the links apart with `split --links`");
    }
}

// The format of the links that hold frames [first, end) of the timeline of
// all links: raises FormatError, as RequireOneFormat does, when they differ.
// The links before and after the range may be of any format.
StreamFormat RangeFormat(FileDecoder& decoder, const std::string& source, std::int64_t first, std::int64_t end)
{
    std::optional<StreamFormat> range;
    int rangeLink = 0;
    std::int64_t linkStart = 0;
    for (int link = 0; link < decoder.Links() && linkStart < end; ++link) {
        const std::int64_t frames = decoder.Frames(link);
        const std::optional<StreamFormat> format = decoder.Format(link);
        // A link the library cannot measure is taken to reach the range.
        const bool holds = frames < 0 || (frames > 0 && linkStart + frames > first);
        linkStart += std::max<std::int64_t>(frames, 0);
        if (!holds || !format)
            continue;
        if (!range) {
            range = format;
            rangeLink = link;
        } else if (format->Rate != range->Rate || format->Channels != range->Channels) {
            throw FormatError(source, "link " + std::to_string(link + 1) + " is " + FormatText(*format) + "; link " +
                                          std::to_string(rangeLink + 1) + " is " + FormatText(*range) +
                                          ": one WAV file holds one format — export the section's links apart");
        }
    }
    if (!range)
        throw NotOggAudioError(source, "holds no audio of a known format from sample " + std::to_string(first));
    return *range;
}

// Decoded bytes of all links together: every link has its own channel count.
// Negative when the decoder cannot tell, or when the links claim more than
// 64 bits can count (damaged granule positions); the limit is then watched
// while writing.
std::int64_t DecodedBytes(FileDecoder& decoder)
{
    std::int64_t total = 0;
    for (int link = 0; link < decoder.Links(); ++link) {
        const std::int64_t frames = decoder.Frames(link);
        const auto format = decoder.Format(link);
        if (frames < 0 || !format || format->Channels < 1)
            return -1;
        const std::int64_t frameBytes = std::int64_t{format->Channels} * kBytesPerSample;
        if (frames > (std::numeric_limits<std::int64_t>::max() - total) / frameBytes)
            return -1;
        total += frames * frameBytes;
    }
    return total;
}

std::string TooLongMessage(const std::string& source)
{
    return "\"" + source + "\" decodes to more sample data than its length promised, past what a WAV file "
           "without room for RF64 can describe (4 GiB)";
}

class StatusLine {
public:
    explicit StatusLine(JobObserver& observer) : observer_(observer) {}
    void Show(std::int64_t consumed, std::int64_t total)
    {
        if (consumed <= 0 || total <= 0)
            return;
        // The decoder's total stops at the start of the last page, so the
        // bytes consumed run past it while the last page is decoded.
        const auto percent = std::min(
            static_cast<long long>(static_cast<double>(consumed) / static_cast<double>(total) * 100.0), 100LL);
        // A conversion begun anew after a failed division of the work does
        // not take the line back.
        if (percent < percent_)
            return;
        percent_ = percent;
        std::string text = "Creating WAV File (" + std::to_string(percent) + "%)...";
        if (text != shown_) // a repeated text would only make the window repaint
            observer_.ProcessText(text);
        shown_ = std::move(text);
    }

private:
    JobObserver& observer_;
    std::string shown_;
    long long percent_ = 0;
};

// Decodes the whole source front to back through the codec library,
// appending to the output after its header, each link's frames in the WAV
// order of its own layout.
WavOutcome WriteInOnePass(FileDecoder& decoder, File& wav, const WavHeader& header, const JobControl& control,
                          StatusLine& status, const std::string& source, std::uint64_t mostRiffSize)
{
    const std::int64_t total = decoder.LastPageStart();
    std::vector<ChannelLayout> layouts;
    for (int link = 0; link < decoder.Links(); ++link) {
        const auto format = decoder.Format(link);
        layouts.push_back(format ? LayoutOf(*format) : ChannelLayout(0));
    }
    // Reads that take whole packets give the samples that decoding in parts
    // gives, whatever the library's conversion.
    std::vector<char> buffer(std::max(kReadBytes, decoder.WholePacketReadBytes()));
    auto fileBytes = static_cast<std::uint64_t>(header.DataStart());
    for (;;) {
        int link = 0;
        const long got = decoder.ReadPcm16(buffer.data(), static_cast<int>(buffer.size()), &link);
        if (got == 0)
            return WavOutcome::Written;
        if (got > 0) {
            // The decoder may give more than the links' lengths promised.
            fileBytes += static_cast<std::uint64_t>(got);
            if (!header.Fits(fileBytes, mostRiffSize))
                throw RangeError(TooLongMessage(source));
            if (link >= 0 && static_cast<std::size_t>(link) < layouts.size())
                layouts[static_cast<std::size_t>(link)].ToWavOrder(reinterpret_cast<unsigned char*>(buffer.data()),
                                                                  static_cast<std::size_t>(got));
            wav.Write(buffer.data(), static_cast<std::size_t>(got));
        }
        status.Show(decoder.BytesConsumed(), total);
        if (control.CheckPoint())
            return WavOutcome::Cancelled;
    }
}

// Decodes the whole source front to back through the codec library, as
// WriteInOnePass does, and writes only frames [first, end) of the timeline
// of all links: the one pass is the reference that every other decoding is
// held to. The links that hold those frames have the header's format.
WavOutcome WriteRangeInOnePass(FileDecoder& decoder, File& wav, const ChannelLayout& layout, std::int64_t first,
                               std::int64_t end, const JobControl& control, StatusLine& status)
{
    const std::int64_t frameBytes = std::int64_t{layout.Channels()} * kBytesPerSample;
    std::vector<char> buffer(std::max(kReadBytes, decoder.WholePacketReadBytes()));
    std::int64_t position = 0; // frames decoded so far, all links
    while (position < end) {
        int link = 0;
        const long got = decoder.ReadPcm16(buffer.data(), static_cast<int>(buffer.size()), &link);
        if (got == 0)
            break;
        if (got > 0) {
            // Frames of links before the range may have other channels.
            const auto format = decoder.Format(link);
            const std::int64_t readFrameBytes =
                format && format->Channels > 0 ? std::int64_t{format->Channels} * kBytesPerSample : frameBytes;
            const std::int64_t frames = got / readFrameBytes;
            const std::int64_t from = std::clamp<std::int64_t>(first - position, 0, frames);
            const std::int64_t to = std::clamp<std::int64_t>(end - position, 0, frames);
            position += frames;
            if (to > from) {
                auto* data = reinterpret_cast<unsigned char*>(buffer.data()) + from * frameBytes;
                const auto bytes = static_cast<std::size_t>((to - from) * frameBytes);
                layout.ToWavOrder(data, bytes);
                wav.Write(data, bytes);
            }
        }
        status.Show(std::clamp<std::int64_t>(position - first, 0, end - first), end - first);
        if (control.CheckPoint())
            return WavOutcome::Cancelled;
    }
    return WavOutcome::Written;
}

// One stretch of the decoded output, written by one thread through a file
// handle of its own straight to its place in the output.
struct WavPart {
    std::size_t Start = 0;  // the plan's start its decoding begins from
    std::int64_t Begin = 0; // first decoded byte
    std::int64_t Bytes = 0;
    std::atomic<std::int64_t> Written{0};   // bytes handed to the output
    std::atomic<std::int64_t> Consumed{0};  // source bytes read, from the file's start
};

// Bytes [From, To) of a planned stream's decoded output.
struct ByteRange {
    std::int64_t From = 0;
    std::int64_t To = 0;
};

// Decodes the parts of `range` of a plain source on several threads, each
// writing its own stretch of the output. The calling thread shows the
// status, which follows the source bytes of the stretch complete from the
// front (for part of the output: the bytes written from the front), and
// waits there while paused, as do the threads. A cancelled conversion is cut
// back to that stretch, so the file holds a front part of the samples.
WavOutcome WriteInParts(const StreamPlan& plan, ByteRange range, File& wav, const WavHeader& header,
                        const ChannelLayout& layout, const JobControl& control, StatusLine& status,
                        std::int64_t sourceBytes, unsigned threads)
{
    const bool whole = range.From == 0 && range.To == plan.DecodedBytes();
    std::vector<std::unique_ptr<WavPart>> parts;
    for (const DecodedSpan& span : DivideDecodedOutput(plan, 1)) {
        // Each part of the range decodes from the latest start before it.
        const std::int64_t begin = std::max(span.Begin, range.From);
        const std::int64_t end = std::min(span.End, range.To);
        if (end <= begin)
            continue;
        auto part = std::make_unique<WavPart>();
        part->Start = span.Start;
        part->Begin = begin;
        part->Bytes = end - begin;
        part->Consumed = plan.Starts()[span.Start].Offset;
        parts.push_back(std::move(part));
    }
    std::vector<PartJoin> joins(parts.size());
    for (std::size_t k = 0; k + 1 < parts.size(); ++k)
        joins[k].Next = parts[k + 1]->Start;
    wav.Size(); // writes the header out before other handles write after it

    const auto work = [&](std::size_t k, const std::atomic<bool>& stop) {
        WavPart& part = *parts[k];
        File out = File::OpenUpdate(wav.Path());
        out.Seek(header.DataStart() + part.Begin - range.From);
        // The output's last part decodes on to the stream's end, so that a
        // stream longer than planned is found out.
        const bool last = k + 1 == parts.size() && range.To == plan.DecodedBytes();
        std::vector<unsigned char> reordered; // the piece in the WAV order, when it differs
        const bool finished = DecodePart(plan, part.Start, part.Begin, last ? -1 : part.Begin + part.Bytes,
                                         [&](const unsigned char* data, std::size_t count, std::int64_t consumed) {
                                             if (layout.Reorders()) {
                                                 reordered.assign(data, data + count);
                                                 layout.ToWavOrder(reordered.data(), count);
                                                 data = reordered.data();
                                             }
                                             out.Write(data, count);
                                             part.Written += static_cast<std::int64_t>(count);
                                             part.Consumed = consumed;
                                             return !stop && !control.CheckPoint();
                                         },
                                         &joins[k]);
        out.Close();
        if (finished && part.Written != part.Bytes)
            throw StreamPlanMismatch("\"" + plan.Path() + "\" decodes to another length than planned");
    };
    // Whole parts from the front, and how far the first unfinished one is;
    // `joined` parts at most.
    const auto front = [&](std::int64_t& consumed, std::size_t joined) {
        std::int64_t bytes = 0;
        consumed = sourceBytes;
        for (std::size_t k = 0; k < joined; ++k) {
            const auto& part = parts[k];
            const std::int64_t written = part->Written;
            bytes += written;
            if (written < part->Bytes) {
                consumed = part->Consumed;
                break;
            }
        }
        return bytes;
    };
    const auto watch = [&] {
        std::int64_t consumed = 0;
        const std::int64_t written = front(consumed, parts.size());
        if (whole)
            status.Show(consumed, sourceBytes);
        else
            status.Show(written, range.To - range.From);
        return !control.CheckPoint();
    };
    if (RunParts(parts.size(), threads, work, watch)) {
        CheckJoins(plan, joins);
        return WavOutcome::Written;
    }
    // What a cancelled conversion keeps must be the bytes of one pass too.
    std::int64_t consumed = 0;
    wav.Truncate(header.DataStart() + front(consumed, JoinedParts(plan, joins)));
    return WavOutcome::Cancelled;
}

// Where the plan of a range should begin parts, in source bytes: a few
// starts at shrinking distances before the range's estimated first byte
// (the bit rate is uneven; the run begins from the closest that still lies
// before it), and the range's own bytes spread for the threads.
std::vector<std::int64_t> RangeTargets(std::int64_t fileBytes, std::int64_t totalFrames, std::int64_t first,
                                       std::int64_t end, unsigned threads)
{
    constexpr std::int64_t kLeastMarginBytes = 16 * 1024; // a few pages
    constexpr std::int64_t kWidestMarginBytes = 4 * 1024 * 1024;
    constexpr std::int64_t kMarginStep = 4;
    const auto byteOf = [&](std::int64_t frame) {
        return static_cast<std::int64_t>(static_cast<double>(fileBytes) * static_cast<double>(frame) /
                                         static_cast<double>(std::max<std::int64_t>(totalFrames, 1)));
    };
    const std::int64_t from = byteOf(first);
    std::vector<std::int64_t> targets;
    for (std::int64_t margin = kWidestMarginBytes; margin >= kLeastMarginBytes; margin /= kMarginStep)
        targets.push_back(std::max<std::int64_t>(0, from - margin));
    for (const std::int64_t target : PartTargets(byteOf(end) - from, threads))
        targets.push_back(from + target);
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    return targets;
}

// What WriteWavFile decodes, and how.
struct WavSamples {
    const std::optional<StreamPlan>& Plan; // decodes `Bytes` in parts, when there is one
    ByteRange Bytes;                       // of the plan's decoded output
    std::int64_t ExpectedBytes;            // of samples; < 0 when not known
    std::function<WavOutcome(File&, const WavHeader&, StatusLine&)> OnePass; // without a plan, or on a mismatch
};

// Writes `output`: a header with room for RF64 only where the samples may
// need it (every other file keeps the plain header), the samples decoded in
// parts where the plan allows, else in one pass, and the header completed.
WavOutcome WriteWavFile(const std::string& output, const ChannelLayout& channels, long rate, FileDecoder& decoder,
                        const WavSamples& samples, const JobControl& control, JobObserver& observer,
                        std::uint64_t mostRiffSize, const PartLayout& layout)
{
    const WavHeader plain(channels, rate, false);
    const bool rf64Room = samples.ExpectedBytes < 0 ||
                          !plain.Fits(static_cast<std::uint64_t>(plain.DataStart()) +
                                          static_cast<std::uint64_t>(samples.ExpectedBytes),
                                      mostRiffSize);
    const WavHeader header = rf64Room ? WavHeader(channels, rate, true) : plain;

    File wav = File::Create(output);
    wav.Write(header.Bytes().data(), header.Bytes().size());
    StatusLine status(observer);
    std::optional<WavOutcome> outcome;
    if (samples.Plan && samples.Bytes.To > samples.Bytes.From) {
        outcome = UnlessPlanMismatch(layout, [&] {
            return WriteInParts(*samples.Plan, samples.Bytes, wav, header, channels, control, status,
                                decoder.LastPageStart(), ThreadsOf(layout));
        });
        if (!outcome) {
            // Decoded again in one pass.
            wav.Truncate(header.DataStart());
            wav.Seek(header.DataStart());
        }
    }
    if (!outcome)
        outcome = samples.OnePass(wav, header, status);
    header.Complete(wav, mostRiffSize);
    wav.Close();
    return *outcome;
}

} // namespace

void RequireOneWavFormat(const std::string& source)
{
    RequireOneFormat(*OpenFileDecoder(source), source);
}

WavOutcome ConvertToWav(const std::string& source, const std::string& output, const JobControl& control,
                        JobObserver& observer, std::uint64_t mostRiffSize)
{
    return ConvertToWav(source, output, control, observer, mostRiffSize, PartLayout{});
}

WavOutcome ConvertToWav(const std::string& source, const std::string& output, const JobControl& control,
                        JobObserver& observer, std::uint64_t mostRiffSize, const PartLayout& layout)
{
    const auto decoder = OpenFileDecoder(source);
    RequireOneFormat(*decoder, source);
    const std::optional<StreamPlan> plan = PlanParts(source, layout);
    const std::int64_t expected = plan ? plan->DecodedBytes() : DecodedBytes(*decoder);
    const StreamFormat format = *decoder->Format(0);
    // A plan is made only for a source of one link.
    const WavSamples samples{plan, {0, plan ? plan->DecodedBytes() : 0}, expected,
                             [&](File& wav, const WavHeader& header, StatusLine& status) {
                                 return WriteInOnePass(*decoder, wav, header, control, status, source, mostRiffSize);
                             }};
    return WriteWavFile(output, LayoutOf(format), format.Rate, *decoder, samples, control, observer, mostRiffSize,
                        layout);
}

WavOutcome ConvertRangeToWav(const std::string& source, std::int64_t first, std::int64_t end, const std::string& output,
                             const JobControl& control, JobObserver& observer, std::uint64_t mostRiffSize)
{
    return ConvertRangeToWav(source, first, end, output, control, observer, mostRiffSize, PartLayout{});
}

WavOutcome ConvertRangeToWav(const std::string& source, std::int64_t first, std::int64_t end, const std::string& output,
                             const JobControl& control, JobObserver& observer, std::uint64_t mostRiffSize,
                             const PartLayout& layout)
{
    const auto decoder = OpenFileDecoder(source);
    if (first < 0 || end <= first)
        throw RangeError("cannot decode samples " + std::to_string(first) + " to " + std::to_string(end) + " of \"" +
                         source + "\": the range is empty");
    const StreamFormat format = RangeFormat(*decoder, source, first, end);
    const ChannelLayout channels = LayoutOf(format);
    PartLayout ranged = layout;
    if (!ranged.Targets)
        ranged.Targets = RangeTargets(decoder->LastPageStart(), decoder->Frames(-1), first, end, ThreadsOf(layout));
    const std::optional<StreamPlan> plan = PlanParts(source, ranged);
    const std::int64_t frameBytes = std::int64_t{format.Channels} * kBytesPerSample;
    // The plan's own count is the one its parts are held to.
    const std::int64_t last = plan ? std::min(end, plan->Frames()) : end;
    const WavSamples samples{plan, {first * frameBytes, std::max(first, last) * frameBytes}, (end - first) * frameBytes,
                             [&](File& wav, const WavHeader&, StatusLine& status) {
                                 return WriteRangeInOnePass(*decoder, wav, channels, first, end, control, status);
                             }};
    return WriteWavFile(output, channels, format.Rate, *decoder, samples, control, observer, mostRiffSize, layout);
}

} // namespace oq
