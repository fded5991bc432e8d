// Cuts whatever bytes arrive as an Ogg Vorbis source, the way a split run
// does: the page reader finds the Vorbis stream and captures its headers,
// then sections are cut in one forward pass at cut points the input chooses,
// some written, some skipped. A refusal (oq::Error) is a fine answer; a
// crash, a leak, undefined behaviour, any other exception or a hang is not.
//
// Input: the source's bytes, then (read from the end) the number of cuts,
// the gap before each cut, which sections are skipped, the first serial and
// whether the pages keep the checksums they came with.

#include "base/Error.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/SectionCuts.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

namespace {

constexpr int kMostCuts = 6;
// Sections of up to about 1.5 s at 44.1 kHz: long enough to cross pages of
// the small seed files, short enough to fall inside them.
constexpr std::int64_t kLongestGap = 65536;

void CutAll(const std::string& source, const std::vector<std::int64_t>& cuts, std::uint8_t skipMask,
            std::uint32_t serial)
{
    oq::test::CutSections(source, {.Cuts = cuts,
                                   .OutputName = [](std::size_t) { return oq::fuzz::ScratchFolder() + "/section.ogg"; },
                                   .FirstSerial = serial,
                                   .Skipped = [&](std::size_t n) { return ((skipMask >> (n - 1)) & 1) != 0; }});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const int cutCount = input.ConsumeIntegralInRange(0, kMostCuts);
    std::vector<std::int64_t> cuts;
    std::int64_t at = 0;
    for (int i = 0; i < cutCount; ++i) {
        at += input.ConsumeIntegralInRange<std::int64_t>(1, kLongestGap);
        cuts.push_back(at);
    }
    const auto skipMask = input.ConsumeIntegral<std::uint8_t>();
    const auto serial = input.ConsumeIntegral<std::uint32_t>();
    const bool keepChecksums = input.ConsumeBool();
    std::vector<std::uint8_t> bytes = input.ConsumeRemainingBytes<std::uint8_t>();
    if (!keepChecksums)
        oq::fuzz::RepairPageChecksums(bytes);
    const std::string source = oq::fuzz::WriteScratchFile("source.ogg", bytes.data(), bytes.size());
    try {
        CutAll(source, cuts, skipMask, serial);
    } catch (const oq::Error&) {
        // A refusal with a message is the expected answer to most inputs.
    }
    return 0;
}
