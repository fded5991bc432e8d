#include "tools/WavWriter.h"

#include "base/Error.h"
#include "base/File.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"
#include "media/CodecChoice.h"
#include "media/PartDecoder.h"
#include "tools/PlannedParts.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace oq {

namespace {

constexpr std::size_t kReadBytes = 8192;
constexpr int kBitsPerSample = 16;
constexpr int kBytesPerSample = kBitsPerSample / 8;
constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kDataTagOffset = 36;

// The header as written first: both size fields 0 until the data is written.
using Header = std::array<unsigned char, kHeaderBytes>;

void PutTag(unsigned char* at, const char (&text)[5]) { std::memcpy(at, text, 4); }

void PutLittleEndian(unsigned char* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

Header MakeHeader(const StreamFormat& format)
{
    const auto channels = static_cast<std::uint32_t>(format.Channels);
    const auto rate = static_cast<std::uint32_t>(format.Rate);
    Header header{};
    PutTag(&header[0], "RIFF");
    PutTag(&header[8], "WAVE");
    PutTag(&header[12], "fmt ");
    PutLittleEndian(&header[16], 16, 4); // size of the PCM format block
    PutLittleEndian(&header[20], 1, 2);  // PCM
    PutLittleEndian(&header[22], channels, 2);
    PutLittleEndian(&header[24], rate, 4);
    PutLittleEndian(&header[28], channels * rate * kBytesPerSample, 4);
    PutLittleEndian(&header[32], channels * kBytesPerSample, 2);
    PutLittleEndian(&header[34], kBitsPerSample, 2);
    PutTag(&header[kDataTagOffset], "data");
    return header;
}

// Writes a tag and the 32-bit size that follows it at `offset`.
void WriteSizedTag(File& output, std::int64_t offset, const char (&tag)[5], std::int64_t size)
{
    unsigned char bytes[8];
    PutTag(bytes, tag);
    PutLittleEndian(bytes + 4, static_cast<std::uint32_t>(size), 4);
    output.Seek(offset);
    output.Write(bytes, sizeof bytes);
}

void CompleteHeader(File& output)
{
    const std::int64_t fileSize = output.Size();
    WriteSizedTag(output, 0, "RIFF", fileSize - 8); // all that follows the size field
    WriteSizedTag(output, kDataTagOffset, "data", fileSize - static_cast<std::int64_t>(kHeaderBytes));
}

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
    return "\"" + source + "\" decodes to more sample data than a WAV file can describe (4 GiB)";
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
// appending to the output after its header.
WavOutcome WriteInOnePass(FileDecoder& decoder, File& wav, const JobControl& control, StatusLine& status,
                          const std::string& source, std::uint64_t maxDataBytes)
{
    const std::int64_t total = decoder.LastPageStart();
    // Reads that take whole packets give the samples that decoding in parts
    // gives, whatever the library's conversion.
    std::vector<char> buffer(std::max(kReadBytes, decoder.WholePacketReadBytes()));
    std::uint64_t written = 0;
    for (;;) {
        const long got = decoder.ReadPcm16(buffer.data(), static_cast<int>(buffer.size()));
        if (got == 0)
            return WavOutcome::Written;
        if (got > 0) {
            // The decoder may give more than the links' lengths promised.
            written += static_cast<std::uint64_t>(got);
            if (written > maxDataBytes)
                throw RangeError(TooLongMessage(source));
            wav.Write(buffer.data(), static_cast<std::size_t>(got));
        }
        status.Show(decoder.BytesConsumed(), total);
        if (control.CheckPoint())
            return WavOutcome::Cancelled;
    }
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

// Decodes the parts of a plain source on several threads, each writing its
// own stretch of the output. The calling thread shows the status, which
// follows the source bytes of the stretch complete from the front, and
// waits there while paused, as do the threads. A cancelled conversion is cut
// back to that stretch, so the file holds a front part of the samples.
WavOutcome WriteInParts(const StreamPlan& plan, File& wav, const JobControl& control, StatusLine& status,
                        std::int64_t sourceBytes, unsigned threads)
{
    std::vector<std::unique_ptr<WavPart>> parts;
    for (const DecodedSpan& span : DivideDecodedOutput(plan, 1)) {
        auto part = std::make_unique<WavPart>();
        part->Start = span.Start;
        part->Begin = span.Begin;
        part->Bytes = span.End - span.Begin;
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
        out.Seek(static_cast<std::int64_t>(kHeaderBytes) + part.Begin);
        const bool last = k + 1 == parts.size();
        const bool finished = DecodePart(plan, part.Start, part.Begin, last ? -1 : part.Begin + part.Bytes,
                                         [&](const unsigned char* data, std::size_t count, std::int64_t consumed) {
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
        front(consumed, parts.size());
        status.Show(consumed, sourceBytes);
        return !control.CheckPoint();
    };
    if (RunParts(parts.size(), threads, work, watch)) {
        CheckJoins(plan, joins);
        return WavOutcome::Written;
    }
    // What a cancelled conversion keeps must be the bytes of one pass too.
    std::int64_t consumed = 0;
    wav.Truncate(static_cast<std::int64_t>(kHeaderBytes) + front(consumed, JoinedParts(plan, joins)));
    return WavOutcome::Cancelled;
}

} // namespace

void RequireOneWavFormat(const std::string& source)
{
    RequireOneFormat(*OpenFileDecoder(source), source);
}

WavOutcome ConvertToWav(const std::string& source, const std::string& output, const JobControl& control,
                        JobObserver& observer, std::uint64_t maxDataBytes)
{
    return ConvertToWav(source, output, control, observer, maxDataBytes, PartLayout{});
}

WavOutcome ConvertToWav(const std::string& source, const std::string& output, const JobControl& control,
                        JobObserver& observer, std::uint64_t maxDataBytes, const PartLayout& layout)
{
    const auto decoder = OpenFileDecoder(source);
    RequireOneFormat(*decoder, source);
    const std::optional<StreamPlan> plan = PlanParts(source, layout);
    const std::int64_t expected = plan ? plan->DecodedBytes() : DecodedBytes(*decoder);
    if (expected >= 0 && static_cast<std::uint64_t>(expected) > maxDataBytes)
        throw RangeError(TooLongMessage(source));

    File wav = File::Create(output);
    const Header header = MakeHeader(*decoder->Format(0));
    wav.Write(header.data(), header.size());
    StatusLine status(observer);
    std::optional<WavOutcome> outcome;
    if (plan) {
        outcome = UnlessPlanMismatch(layout, [&] {
            return WriteInParts(*plan, wav, control, status, decoder->LastPageStart(), ThreadsOf(layout));
        });
        if (!outcome) {
            // Converted again in one pass.
            wav.Truncate(static_cast<std::int64_t>(kHeaderBytes));
            wav.Seek(static_cast<std::int64_t>(kHeaderBytes));
        }
    }
    if (!outcome)
        outcome = WriteInOnePass(*decoder, wav, control, status, source, maxDataBytes);
    CompleteHeader(wav);
    wav.Close();
    return *outcome;
}

} // namespace oq
