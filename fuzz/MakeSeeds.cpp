// Writes the seed corpus of the fuzz targets into the folder given as the
// only argument, one sub-folder per target: generated Ogg Vorbis files of
// the shapes the page reader must handle, generated Ogg Opus files, cue sheets, label files, the shipped catalog
// templates, typed time codes and name texts. Beside them "sample.ogg", a few seconds of
// stereo audio for the memory checks of the command-line tool. Nothing
// binary is kept in the repository.

#include "tests/support/OggSurgery.h"
#include "tests/support/TestAudio.h"
#include "tests/support/TestOpus.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using oq::test::AudioSpec;
using oq::test::Bytes;
using oq::test::PageLayout;
using oq::test::Signal;

void Write(const fs::path& path, const Bytes& bytes)
{
    fs::create_directories(path.parent_path());
    oq::test::WriteBytes(path.string(), bytes);
}

void Write(const fs::path& path, const std::string& text) { Write(path, Bytes(text.begin(), text.end())); }

// The cutter's parameters, read from the end of its input: the first serial
// number, the skipped sections, the gap before each cut and the cut count.
Bytes CutTrailer(const std::vector<int>& gaps, std::uint8_t skipMask)
{
    Bytes trailer = {0x00, 0x57, 0x51, 0x00, 0x00, skipMask}; // checksums repaired, serial, skipped
    for (auto gap = gaps.rbegin(); gap != gaps.rend(); ++gap) {
        const int raw = *gap - 1; // the gap is 1 + the two bytes' value
        trailer.push_back(static_cast<unsigned char>(raw & 0xFF));
        trailer.push_back(static_cast<unsigned char>(raw >> 8));
    }
    trailer.push_back(static_cast<unsigned char>(gaps.size()));
    return trailer;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: oq_fuzz_seeds CORPUS_FOLDER\n";
        return 2;
    }
    const fs::path corpus = argv[1];

    // Short, low-rate files keep every execution quick.
    const AudioSpec mono{.channels = 1, .rate = 8000, .seconds = 0.5, .signal = Signal::Mixed};
    const AudioSpec stereo{.channels = 2, .rate = 11025, .seconds = 0.4, .signal = Signal::Tone};
    const Bytes plain = oq::test::MakeOggVorbis(mono);
    // Opus at its lowest rates and longest frames: few packets to read.
    const Bytes opus = oq::test::MakeOggOpus({.channels = 2, .seconds = 0.5, .bitrate = 16000, .frameMs = 60});
    const Bytes opusMono = oq::test::MakeOggOpus({.channels = 1, .seconds = 0.3, .bitrate = 8000, .frameMs = 60, .serial = 78});
    Write(corpus / "sample.ogg", oq::test::MakeOggVorbis({.channels = 2, .rate = 44100, .seconds = 2.0, .signal = Signal::Mixed}));
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"plain", plain},
        {"spanning", oq::test::MakeOggVorbis(stereo, {.maxSegments = 3})},
        {"open-ended", oq::test::MakeOggVorbis(mono, {.endOfStream = false, .granuleOffset = -300})},
        {"skewed", oq::test::MakeOggVorbis(mono, {.flushEveryPackets = 2, .skewEveryPages = 2, .skewSamples = 200})},
        {"starts-late", oq::test::MakeOggVorbis(mono, {.granuleOffset = 50000})},
        {"chained", oq::test::Joined({plain, oq::test::MakeOggVorbis(stereo, {.serial = 77})})},
        {"beside-video", oq::test::Multiplexed(plain, oq::test::ForeignStreamPages("\x80theora", 9, 3), true)},
        {"opus-like", oq::test::Joined(oq::test::ForeignStreamPages("OpusHead", 5, 1))},
        {"opus", opus},
        {"opus-starts-late", oq::test::WithStartGranule(opus, 30000)},
        {"opus-chained", oq::test::Joined({opus, opusMono})},
    };
    for (const auto& [name, bytes] : files) {
        Write(corpus / "file_info" / name, oq::test::Joined({bytes, Bytes{0x00}})); // checksums repaired
        Write(corpus / "section_cutter" / name, oq::test::Joined({bytes, CutTrailer({1500, 900, 1200}, 0x02)}));
        Write(corpus / "section_cutter" / (name + "-whole"), oq::test::Joined({bytes, CutTrailer({}, 0)}));
    }

    Write(corpus / "cue_sheet" / "plain.cue",
          std::string("FILE \"song.ogg\" OGG\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                      "  TRACK 02 AUDIO\r\n    INDEX 00 03:20:10\r\n    INDEX 01 03:25:40\r\n"
                      "  TRACK 03 AUDIO\r\n    TITLE \"TRACK\"\r\n    INDEX 01 123:04:50\r\n"));
    Write(corpus / "cue_sheet" / "odd.cue", std::string("\xEF\xBB\xBFTRACK 1\rINDEX 01 7:05:00\rTRACK 2\rINDEX 1 x\r"));
    const std::string utf16 = "TRACK 01\nINDEX 01 01:02:03\n";
    std::string wide = "\xFF\xFE";
    for (const char c : utf16)
        wide += std::string{c, '\0'};
    Write(corpus / "cue_sheet" / "utf16.cue", wide);

    Write(corpus / "label_file" / "points.txt",
          std::string("0.000000\t0.000000\tIntro\n0.500000\t0.500000\tVerse\n0.750000\t0.750000\n"));
    Write(corpus / "label_file" / "regions.txt",
          std::string("\xEF\xBB\xBF" "0.25\t0.5\tA region\r\n\r\n7.5\t9\tpast a short file\r\n12\t12\tB\r\n"));
    Write(corpus / "label_file" / "one.txt", std::string("0.3\t0.3\n"));

    // The template target reads three strings of the record first, each
    // ended by a backslash and another character, then the template.
    const std::string record = "/music/a, \"b\" <c> & d.ogg\\\n128\\\n01:02:03\\\n";
    for (const char* name : {"csv.qrv", "html.qrv"}) {
        std::ifstream in(fs::path(OQ_TEMPLATE_DIR) / name, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Write(corpus / "catalog_template" / name, record + text);
    }
    Write(corpus / "catalog_template" / "own.qrv",
          record + "head\n<QRVLOOP> x\n<QRV001>;<QRV002>;<QRV003>;<QRV010>\n<QRV000>\n<QRVEND>\ntail <QRV001>\n");

    int seed = 0;
    for (const char* code : {"00:01:30:50", "99:99:99:99", "00:00:75:00", "  :  :  :  ", "12:34:56:78 and more"})
        Write(corpus / "time_code" / ("code" + std::to_string(++seed)), std::string(code));

    // The names target reads a byte of switches, then the template, the pre
    // and post texts and the titles, each ended by a NUL byte.
    using namespace std::string_literals;
    Write(corpus / "output_names" / "usual", "\x01\0Part \0 - song.ogg\0"s);
    Write(corpus / "output_names" / "same-titles", "\x05{title}\0../up_\0/x\0same\0same\0same (03)\0\0"s);
    Write(corpus / "output_names" / "intro-tracks", "\x0A\0\0\0Intro\0Intro\0Intro\0"s);
    Write(corpus / "output_names" / "long-legacy", "\x04{artist} {title} {n}\0Caf\xE9\0.\0"s + std::string(300, 'x') +
                                                       "\0"s + std::string(120, '\xE9') + "\0 \0"s);
    return 0;
}
