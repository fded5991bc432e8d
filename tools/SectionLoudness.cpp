#include "tools/SectionLoudness.h"

#include "base/BufferHandOff.h"
#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "media/CodecChoice.h"
#include "tools/LoudnessMeter.h"
#include "media/PartDecoder.h"
#include "tools/PlannedParts.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <span>

namespace oq {

namespace {

constexpr char kMeasuringText[] = "Measuring Loudness...";
constexpr std::size_t kChunkBytes = 64 * 1024;
// Chunks decoded ahead of the meters: enough to ride over the uneven pace
// of either side (a long packet, a gating block) while the two run side by
// side, on 4 x 64 KiB allocated once.
constexpr std::size_t kQueuedChunks = 4;

// The figures of the meters, one per section in order.
SplitLoudness FiguresOf(std::vector<LoudnessMeter>& meters)
{
    SplitLoudness loudness;
    for (const LoudnessMeter& meter : meters) {
        loudness.Sections.push_back({meter.Loudness(), meter.Peak()});
        loudness.Album.Peak = std::max(loudness.Album.Peak, meter.Peak());
    }
    loudness.Album.Lufs = LoudnessMeter::Loudness(meters);
    return loudness;
}

std::vector<LoudnessMeter> MetersFor(std::size_t sections, const ChannelLayout& layout, long rate)
{
    std::vector<LoudnessMeter> meters;
    for (std::size_t k = 0; k < sections; ++k)
        meters.emplace_back(layout, rate);
    return meters;
}

// Hands decoded frames to the meter of the section they belong to: section k
// ends at cutPoints[k - 1], the last one takes the rest.
class SectionRouter {
public:
    SectionRouter(std::vector<LoudnessMeter>& meters, const std::vector<std::int64_t>& cutPoints, std::size_t channels,
                  std::size_t section = 0, std::int64_t frame = 0)
        : meters_(meters), cutPoints_(cutPoints), channels_(channels), section_(section), frame_(frame)
    {
    }
    void Add(const std::int16_t* at, std::size_t frames)
    {
        while (frames > 0) {
            const std::int64_t room =
                section_ < cutPoints_.size() ? cutPoints_[section_] - frame_ : static_cast<std::int64_t>(frames);
            const auto take =
                static_cast<std::size_t>(std::clamp<std::int64_t>(room, 0, static_cast<std::int64_t>(frames)));
            meters_[section_].Add(at, take);
            at += take * channels_;
            frames -= take;
            frame_ += static_cast<std::int64_t>(take);
            if (frames > 0)
                ++section_;
        }
    }
    // Frames of the source metered so far, counted from its start.
    std::int64_t Frame() const noexcept { return frame_; }

private:
    std::vector<LoudnessMeter>& meters_;
    const std::vector<std::int64_t>& cutPoints_;
    std::size_t channels_;
    std::size_t section_;
    std::int64_t frame_;
};

// The file decoded front to back by the codec library: the calling thread
// decodes, watches pause and cancel and reports; a second thread runs the
// meters on the decoded chunks in order, and has ended when this returns.
std::optional<SplitLoudness> MeasureInOnePass(const std::string& sourceName, const std::vector<std::int64_t>& cutPoints,
                                              const JobControl& control, JobObserver& observer)
{
    auto decoder = OpenFileDecoder(sourceName);
    const auto format = decoder->Format(0);
    if (!format || format->Channels <= 0)
        throw FormatError(sourceName, "has no audio format to measure");
    const auto channels = static_cast<std::size_t>(format->Channels);
    std::vector<LoudnessMeter> meters = MetersFor(cutPoints.size() + 1, ChannelLayout(format->Channels, format->PlacedChannels), format->Rate);

    // The meters run on a worker thread beside the decoder and take the
    // chunks in decoding order, so they see the very samples a one-thread
    // pass would give them. Only the worker touches the meters and the
    // router until Finish() has joined it.
    SectionRouter router(meters, cutPoints, channels);
    BufferHandOff handOff(kChunkBytes, kQueuedChunks, [&](std::span<const char> chunk) {
        router.Add(reinterpret_cast<const std::int16_t*>(chunk.data()), chunk.size() / sizeof(std::int16_t) / channels);
    });

    observer.CurrentFile(sourceName);
    observer.ProcessText(kMeasuringText);
    const std::int64_t total = std::max<std::int64_t>(decoder->Frames(-1), 1);
    const std::int64_t frameBytes = static_cast<std::int64_t>(channels * sizeof(std::int16_t));
    std::int64_t decodedFrame = 0; // progress follows the decoder, a few chunks ahead of the meters
    for (bool ended = false; !ended;) {
        if (control.CheckPoint())
            return std::nullopt;
        // Buffers are handed over full: a read gives about one packet's
        // samples (a few KiB), and a hand-off each would wake the meters'
        // thread per packet. The meters' figures do not depend on how the
        // frames are split between calls. A read needs room for one frame.
        const std::span<char> chunk = handOff.Free();
        std::size_t filled = 0;
        while (!ended && chunk.size() - filled >= static_cast<std::size_t>(frameBytes)) {
            const long got = decoder->ReadPcm16(chunk.data() + filled, static_cast<int>(chunk.size() - filled));
            if (got == 0)
                ended = true;
            else if (got > 0) // a gap (< 0): the cut reproduces what the decoder gives after it
                filled += static_cast<std::size_t>(got);
        }
        if (filled > 0)
            handOff.Pass(filled);
        decodedFrame += static_cast<std::int64_t>(filled) / frameBytes;
        observer.Progress(std::min(decodedFrame, total), total);
    }
    handOff.Finish();
    return FiguresOf(meters);
}

// A run of whole sections that one thread decodes and meters, from the
// plan's start `Start` (at or before its first frame).
struct SectionRun {
    std::size_t Start = 0;
    std::size_t FirstSection = 0; // index into the meters
    std::int64_t Begin = 0;       // first frame, the first section's start
    std::int64_t End = 0;         // one past the last frame
    std::atomic<std::int64_t> Metered{0}; // frames metered so far
};

// Runs of sections that begin where a plan's start allows a decoder to begin
// close before them: at the first section start on or after each start of
// the plan. A section is never divided, since a meter takes its frames in
// order; sections without a start of their own go with the run before.
std::vector<std::unique_ptr<SectionRun>> DivideSections(const StreamPlan& plan, const std::vector<std::int64_t>& cutPoints)
{
    std::vector<std::unique_ptr<SectionRun>> runs;
    runs.push_back(std::make_unique<SectionRun>());
    std::size_t section = 0; // the first section after the last run's begin
    for (std::size_t start = 1; start < plan.Starts().size(); ++start) {
        const std::int64_t first = plan.Starts()[start].FirstFrame;
        while (section < cutPoints.size() && cutPoints[section] < first)
            ++section;
        if (section == cutPoints.size() || cutPoints[section] >= plan.Frames())
            break;
        if (cutPoints[section] <= runs.back()->Begin)
            continue;
        auto run = std::make_unique<SectionRun>();
        run->FirstSection = section + 1;
        run->Begin = cutPoints[section];
        // The latest start a decoder can begin from for this run.
        run->Start = start;
        while (run->Start + 1 < plan.Starts().size() && plan.Starts()[run->Start + 1].FirstFrame <= run->Begin)
            ++run->Start;
        runs.push_back(std::move(run));
    }
    for (std::size_t k = 0; k < runs.size(); ++k)
        runs[k]->End = k + 1 < runs.size() ? runs[k + 1]->Begin : plan.Frames();
    return runs;
}

// Byte offsets a little before each cut inside the stream, placed by the
// frames of `plan`'s starts around it (the bit rate taken as even between
// two starts). A decoder begun at such an offset decodes little before its
// run's first section.
std::vector<std::int64_t> TargetsBeforeCuts(const StreamPlan& plan, const std::vector<std::int64_t>& cutPoints)
{
    // The bit rate is uneven, so each cut gets targets at shrinking margins
    // before the estimate, from an eighth of the stretch between the starts
    // down to 16 KiB (a few pages): the run begins from the closest that
    // still lies before the cut.
    constexpr std::int64_t kLeastMarginBytes = 16 * 1024;
    constexpr std::int64_t kWidestMarginShare = 8;
    constexpr std::int64_t kMarginStep = 4;
    const std::vector<DecodeStart>& starts = plan.Starts();
    std::vector<std::int64_t> targets;
    std::size_t at = 0;
    for (const std::int64_t cut : cutPoints) {
        if (cut <= 0 || cut >= plan.Frames())
            continue;
        while (at + 1 < starts.size() && starts[at + 1].FirstFrame <= cut)
            ++at;
        const bool last = at + 1 == starts.size();
        const std::int64_t fromFrame = starts[at].FirstFrame;
        const std::int64_t fromByte = starts[at].Offset;
        const std::int64_t toFrame = last ? plan.Frames() : starts[at + 1].FirstFrame;
        const std::int64_t toByte = last ? plan.FileBytes() : starts[at + 1].Offset;
        const std::int64_t estimate =
            fromByte + static_cast<std::int64_t>(static_cast<double>(toByte - fromByte) *
                                                 static_cast<double>(std::max<std::int64_t>(cut - fromFrame, 0)) /
                                                 static_cast<double>(std::max<std::int64_t>(toFrame - fromFrame, 1)));
        for (std::int64_t margin = (toByte - fromByte) / kWidestMarginShare;; margin /= kMarginStep) {
            targets.push_back(std::max(fromByte, estimate - std::max(margin, kLeastMarginBytes)));
            if (margin <= kLeastMarginBytes)
                break;
        }
    }
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    return targets;
}

// The plan to measure `path` in runs by: with the layout's own targets
// when it has them, else with starts a little before the cuts, found from a
// first plan spread over the file.
std::optional<StreamPlan> PlanAtCuts(const std::string& path, const std::vector<std::int64_t>& cutPoints,
                                     const PartLayout& layout)
{
    auto plan = PlanParts(path, layout);
    if (!plan || layout.Targets || ThreadsOf(layout) < 2)
        return plan;
    PartLayout atCuts = layout;
    atCuts.Targets = TargetsBeforeCuts(*plan, cutPoints);
    return PlanParts(path, atCuts);
}

// The sections measured in runs on several threads, each run decoded from a
// start of the plan close before it. Each meter still takes exactly the
// frames of its section in order, so the figures are those of one pass.
// Progress, pause and cancel stay on the calling thread; pause holds the
// runs as well.
std::optional<SplitLoudness> MeasureInRuns(const StreamPlan& plan, std::vector<std::unique_ptr<SectionRun>>& runs,
                                           const std::vector<std::int64_t>& cutPoints, const JobControl& control,
                                           JobObserver& observer, const PartLayout& layout)
{
    const auto channels = static_cast<std::size_t>(plan.Channels());
    std::vector<LoudnessMeter> meters = MetersFor(cutPoints.size() + 1, ChannelLayout(plan.Channels(), plan.Codec().PlacedChannels()), plan.Rate());
    std::vector<PartJoin> joins(runs.size());
    for (std::size_t k = 0; k + 1 < runs.size(); ++k)
        joins[k].Next = runs[k + 1]->Start;
    const std::int64_t frameBytes = plan.FrameBytes();
    const auto work = [&](std::size_t k, const std::atomic<bool>& stop) {
        SectionRun& run = *runs[k];
        SectionRouter router(meters, cutPoints, channels, run.FirstSection, run.Begin);
        const bool last = k + 1 == runs.size();
        const bool finished = DecodePart(
            plan, run.Start, run.Begin * frameBytes, last ? -1 : run.End * frameBytes,
            [&](const unsigned char* data, std::size_t count, std::int64_t) {
                if (count % static_cast<std::size_t>(frameBytes) != 0)
                    throw StreamPlanMismatch("\"" + plan.Path() + "\" decodes to part of a frame");
                router.Add(reinterpret_cast<const std::int16_t*>(data), count / static_cast<std::size_t>(frameBytes));
                run.Metered.store(router.Frame() - run.Begin, std::memory_order_relaxed);
                return !stop && !control.CheckPoint();
            },
            &joins[k]);
        if (finished && router.Frame() != run.End)
            throw StreamPlanMismatch("\"" + plan.Path() + "\" decodes to another length than planned");
    };
    const std::int64_t total = std::max<std::int64_t>(plan.Frames(), 1);
    const auto watch = [&] {
        if (control.CheckPoint())
            return false;
        std::int64_t metered = 0;
        for (const auto& run : runs)
            metered += run->Metered.load(std::memory_order_relaxed);
        observer.Progress(std::min(metered, total), total);
        return true;
    };
    if (!RunParts(runs.size(), ThreadsOf(layout), work, watch) || control.Cancelled())
        return std::nullopt;
    CheckJoins(plan, joins);
    return FiguresOf(meters);
}

} // namespace

std::optional<SplitLoudness> MeasureSections(const std::string& sourceName, const std::vector<std::int64_t>& cutPoints,
                                             const JobControl& control, JobObserver& observer)
{
    return MeasureSections(sourceName, cutPoints, control, observer, PartLayout{});
}

std::optional<SplitLoudness> MeasureSections(const std::string& sourceName, const std::vector<std::int64_t>& cutPoints,
                                             const JobControl& control, JobObserver& observer, const PartLayout& layout)
{
    if (const auto plan = PlanAtCuts(sourceName, cutPoints, layout)) {
        auto runs = DivideSections(*plan, cutPoints);
        if (runs.size() > 1) {
            observer.CurrentFile(sourceName);
            observer.ProcessText(kMeasuringText);
            if (auto measured = UnlessPlanMismatch(
                    layout, [&] { return MeasureInRuns(*plan, runs, cutPoints, control, observer, layout); }))
                return std::move(*measured);
        }
    }
    return MeasureInOnePass(sourceName, cutPoints, control, observer);
}

} // namespace oq
