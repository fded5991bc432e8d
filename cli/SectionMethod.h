#pragma once

#include "media/MPEGData.h"
#include "jobs/SplitRecipe.h"
#include "model/Chapters.h"
#include "model/MarkerTitles.h"
#include "model/PauseFinder.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace oq {
class MarkerGeometry;
}

namespace oq::cli {

class Arguments;

// The file a command cuts, described as the editor describes it after its
// analysis: BlockCount is the number of whole 16384-byte blocks of decoded
// PCM, so markers land on the same blocks as in the window. Raises
// NotOggAudioError for a file that is not Ogg Vorbis or Opus, IoError for
// one that cannot be read.
MPEGData DescribeSourceFile(const std::string& path);
// The same for a file to be cut or to be given markers: raises FormatError
// for one whose granule positions count no samples.
MPEGData DescribeFileToCut(const std::string& path);

// How a command chooses its cut points: one of --count N, --length
// HH:MM:SS, --size KB, --cue SHEET (markers laid on the file's block
// positions by the split wizard's own calculations: EvenSplit and
// PlanCueMarkers), --labels FILE (a label file's labels), --silence
// DB[:SECONDS] (the middles of the pauses), --links (the link boundaries of
// a chained file), --chapters (the chapters the file's comments hold), or
// --at-samples N,... and --at TIME,... (sample positions directly). --snap
// SECONDS moves the markers of --count, --length and --size into pauses.
class SectionMethod {
public:
    // Which methods a command takes: a command that shows markers has no
    // use for cut points given as sample positions.
    enum class Choice { MarkersOnly, MarkersOrSamples };

    // The methods' options that take a value, and those that stand alone.
    static const std::set<std::string>& Options(Choice choice = Choice::MarkersOrSamples);
    static const std::set<std::string>& Flags();
    static std::string Usage(Choice choice = Choice::MarkersOrSamples);

    // Raises UsageError unless exactly one method of `choice` is given, for
    // a --count below 1, and for --silence or --snap values that are not
    // levels and times. The progress line of the analysis that --silence
    // and --snap need follows the command's --quiet.
    explicit SectionMethod(const Arguments& arguments, Choice choice = Choice::MarkersOrSamples);

    // --links and --chapters lay markers (the blocks nearest the boundaries
    // and chapter starts) for a command that shows them, and cut at the
    // exact samples themselves.
    bool LaysMarkers() const noexcept
    {
        return name_ != "--at-samples" && name_ != "--at" && name_ != "--links" && name_ != "--chapters";
    }

    // The files the method reads besides the audio (the sheet of --cue, the
    // file of --labels): inputs that no output of the command may replace.
    std::vector<std::string> InputFiles() const;

    // Lays the markers on `markers` (opened on `file`) for the marker
    // methods and returns the titles they came with (cue tracks, labels);
    // warnings name cue tracks and labels that gave no marker. A method that
    // needs more markers than the list holds raises MarkerLimitError before
    // a marker is laid.
    MarkerTitles LayMarkers(const MPEGData& file, MarkerGeometry& markers, std::vector<std::string>& warnings) const;
    // Where the method cuts `file`: at the markers it lays, or at the sample
    // positions given.
    SplitCuts Cuts(const MPEGData& file, std::vector<std::string>& warnings) const;
    // Where the sections of the method begin in `file`, exactly, with the
    // titles they came with: the file's start, then every cut. The title of
    // a section that came with none is empty.
    std::vector<Chapter> SectionStarts(const MPEGData& file, std::vector<std::string>& warnings) const;

private:
    PauseFinder FindPauses(const MPEGData& file) const;
    // The section count of --count, --length or --size.
    std::int64_t EvenSections(const MPEGData& file) const;
    MarkerTitles LayCueMarkers(MarkerGeometry& markers, std::vector<std::string>& warnings) const;
    // The file's chapters, refused when the markers cannot hold them all.
    std::vector<Chapter> FileChapters(const MPEGData& file) const;

    std::string name_;
    std::string value_;
    PauseSettings pauses_;
    std::optional<double> snapReach_; // seconds
    bool quiet_ = false;
};

// "90", "1.5", "01:30", "1:02:03.25": a time as an exact sample position at
// `rate`, rounded to the nearest sample; a time past the 64-bit range gives
// the largest sample, past the end of any audio. Raises UsageError for other
// text.
std::int64_t TimeToSample(const std::string& text, std::int32_t rate);

} // namespace oq::cli
