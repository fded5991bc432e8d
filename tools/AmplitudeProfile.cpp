#include "tools/AmplitudeProfile.h"

#include "base/Error.h"
#include "media/CodecChoice.h"
#include "media/PartDecoder.h"
#include "tools/PlannedParts.h"
#include "tools/ProfileAccumulator.h"

#include <array>
#include <memory>

namespace oq {

namespace {

constexpr int kWordBytes = 2; // decoded samples are 16-bit

constexpr auto kBlockBytes = static_cast<std::int64_t>(ProfileAccumulator::kBlockBytes);

// Ogg codecs carry up to 255 channels of 16-bit samples per frame.
constexpr std::size_t kLargestFrameBytes = 255 * kWordBytes;

// What to ask of the decoder: the rest of the block, so that each block is
// stored, and the cancel looked at, before the next is decoded. The decoder
// gives whole frames only and refuses a length below one frame, which the
// rest of a block can be when the frame size does not divide the block size
// (3, 5, 6 or 7 channels); the length is then rounded up to whole frames and
// the few bytes past the block's end go to the next block.
int ReadLength(FileDecoder& decoder, const ProfileAccumulator& accumulator)
{
    const auto link = decoder.Format(-1);
    const std::size_t frameBytes = link && link->Channels > 0 ? static_cast<std::size_t>(link->Channels) * kWordBytes : 1;
    const std::size_t frames = (accumulator.BytesToBlockEnd() + frameBytes - 1) / frameBytes;
    return static_cast<int>(frames * frameBytes);
}

std::unique_ptr<FileDecoder> TryOpen(const std::string& fileName)
{
    try {
        return OpenFileDecoder(fileName);
    } catch (const FileError&) {
        return nullptr; // unreadable or not Ogg Vorbis or Opus: no profile
    }
}

// Hands entries to the progress callback in order and looks at the cancel
// after each, as the analysis promises its callers.
class EntryReporter {
public:
    EntryReporter(const std::atomic<bool>& cancelled, const ProfileProgress& progress, std::int32_t alreadyReported)
        : cancelled_(cancelled), progress_(progress), reported_(alreadyReported)
    {
    }
    // Reports entry `index` unless it was reported before; returns false
    // when the analysis is to stop.
    bool Stored(std::int32_t index)
    {
        if (index >= reported_) {
            if (progress_)
                progress_(index);
            reported_ = index + 1;
        }
        return !cancelled_.load();
    }
    std::int32_t Reported() const noexcept { return reported_; }

private:
    const std::atomic<bool>& cancelled_;
    const ProfileProgress& progress_;
    std::int32_t reported_;
};

// Decodes the file front to back in one pass through the codec library.
AmplitudeProfile ProfileInOnePass(FileDecoder& decoder, EntryReporter& reporter)
{
    AmplitudeProfile profile;
    ProfileAccumulator accumulator;
    std::array<unsigned char, ProfileAccumulator::kBlockBytes + kLargestFrameBytes> buffer;
    bool going = true;
    while (going && !profile.Complete) {
        const long got =
            decoder.ReadPcm16(reinterpret_cast<char*>(buffer.data()), ReadLength(decoder, accumulator));
        std::size_t stored = 0;
        if (got == 0) {
            accumulator.Finish();
            profile.Complete = true;
            stored = 1;
        } else if (got > 0) {
            stored = accumulator.Add(buffer.data(), static_cast<std::size_t>(got));
        }
        const auto count = static_cast<std::int32_t>(accumulator.Entries().size());
        for (auto index = count - static_cast<std::int32_t>(stored); going && index < count; ++index)
            going = reporter.Stored(index);
    }
    profile.Entries = accumulator.TakeEntries();
    return profile;
}

// One stretch of the decoded output that a thread turns into entries. Every
// part but the last ends on a block boundary, so that each accumulator
// starts on one and the parts' entries join into the whole profile.
struct ProfilePart {
    std::size_t Start = 0;     // the plan's start its decoding begins from
    std::int64_t Begin = 0;    // first decoded byte
    std::int64_t FirstEntry = 0;
    std::int64_t EntryCount = 0;
    std::atomic<std::int64_t> Stored{0}; // entries written to the profile so far
};

// Decodes the parts of the file on several threads; the calling thread
// reports the entries in order as the front of the profile is complete.
AmplitudeProfile ProfileInParts(const StreamPlan& plan, const std::atomic<bool>& cancelled, EntryReporter& reporter,
                                const PartLayout& layout)
{
    const std::int64_t total = plan.DecodedBytes();
    const std::int64_t entryCount = total / kBlockBytes + 1; // the block that holds the end is recorded too
    std::vector<std::unique_ptr<ProfilePart>> parts;
    for (const DecodedSpan& span : DivideDecodedOutput(plan, kBlockBytes)) {
        auto part = std::make_unique<ProfilePart>();
        part->Start = span.Start;
        part->Begin = span.Begin;
        part->FirstEntry = span.Begin / kBlockBytes;
        parts.push_back(std::move(part));
    }
    for (std::size_t k = 0; k < parts.size(); ++k)
        parts[k]->EntryCount = (k + 1 < parts.size() ? parts[k + 1]->FirstEntry : entryCount) - parts[k]->FirstEntry;

    std::vector<PartJoin> joins(parts.size());
    for (std::size_t k = 0; k + 1 < parts.size(); ++k)
        joins[k].Next = parts[k + 1]->Start;
    std::vector<std::int16_t> entries(static_cast<std::size_t>(entryCount));
    const auto work = [&](std::size_t k, const std::atomic<bool>& stop) {
        ProfilePart& part = *parts[k];
        const bool last = k + 1 == parts.size();
        ProfileAccumulator accumulator;
        std::int64_t stored = 0;
        const auto publish = [&] {
            const auto& made = accumulator.Entries();
            for (; stored < static_cast<std::int64_t>(made.size()); ++stored)
                entries[static_cast<std::size_t>(part.FirstEntry + stored)] = made[static_cast<std::size_t>(stored)];
            part.Stored.store(stored, std::memory_order_release);
        };
        const std::int64_t end = last ? -1 : part.Begin + part.EntryCount * kBlockBytes;
        const bool finished = DecodePart(plan, part.Start, part.Begin, end, [&](const unsigned char* data, std::size_t count, std::int64_t) {
            if (accumulator.Add(data, count) > 0)
                publish();
            return !stop && !cancelled;
        }, &joins[k]);
        if (!finished)
            return;
        if (last)
            accumulator.Finish();
        if (static_cast<std::int64_t>(accumulator.Entries().size()) != part.EntryCount)
            throw StreamPlanMismatch("\"" + plan.Path() + "\" decodes to another length than planned");
        publish();
    };
    std::size_t front = 0; // the first part not yet reported to its end
    const auto watch = [&] {
        for (; front < parts.size(); ++front) {
            const ProfilePart& part = *parts[front];
            const std::int64_t stored = part.Stored.load(std::memory_order_acquire);
            for (std::int64_t i = reporter.Reported() - part.FirstEntry; i < stored; ++i)
                if (!reporter.Stored(static_cast<std::int32_t>(part.FirstEntry + i)))
                    return false;
            if (stored < part.EntryCount)
                break;
        }
        return !cancelled;
    };
    if (RunParts(parts.size(), ThreadsOf(layout), work, watch))
        CheckJoins(plan, joins);

    AmplitudeProfile profile;
    entries.resize(static_cast<std::size_t>(reporter.Reported()));
    profile.Complete = reporter.Reported() == entryCount;
    profile.Entries = std::move(entries);
    return profile;
}

} // namespace

AmplitudeProfile ComputeAmplitudeProfile(const std::string& fileName, const std::atomic<bool>& cancelled,
                                         const ProfileProgress& progress)
{
    return ComputeAmplitudeProfile(fileName, cancelled, progress, PartLayout{});
}

AmplitudeProfile ComputeAmplitudeProfile(const std::string& fileName, const std::atomic<bool>& cancelled,
                                         const ProfileProgress& progress, const PartLayout& layout)
{
    const auto decoder = TryOpen(fileName);
    if (!decoder)
        return {};
    EntryReporter reporter(cancelled, progress, 0);
    if (const auto plan = PlanParts(fileName, layout)) {
        if (auto profile =
                UnlessPlanMismatch(layout, [&] { return ProfileInParts(*plan, cancelled, reporter, layout); }))
            return std::move(*profile);
    }
    // Decoded in one pass, or again after a mismatch: entries reported
    // already are not reported twice.
    EntryReporter resumed(cancelled, progress, reporter.Reported());
    return ProfileInOnePass(*decoder, resumed);
}

} // namespace oq
