#pragma once

#include "media/MPEGData.h"
#include "jobs/SplitRecipe.h"
#include "model/Chapters.h"
#include "model/MarkerSource.h"
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
// a chained file), or --at-samples N,... and --at TIME,... (sample
// positions directly). --snap SECONDS moves the markers of --count,
// --length and --size into pauses.
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

    // Whether the method's markers may carry titles (cue tracks, labels,
    // links, chapters), which sections may be named after.
    bool GivesTitles() const noexcept
    {
        return name_ == "--cue" || name_ == "--labels" || name_ == "--links" || name_ == "--chapters";
    }
    const std::string& Name() const noexcept { return name_; }

    // The files the method reads besides the audio (the sheet of --cue, the
    // file of --labels): inputs that no output of the command may replace.
    std::vector<std::string> InputFiles() const;

    // The markers a marker method lays on `file`, exact where the method
    // knows their times (a cue sheet's INDEX 01 to the frame, a label to the
    // sample, a link boundary), with their titles; its notes name cue
    // tracks and labels that gave no marker, and sections an even split
    // could not lay. A method that needs more markers than the list holds
    // raises MarkerLimitError before a marker is laid.
    LaidMarkers Lay(const MPEGData& file) const;
    // Lays them on `markers` (opened on `file`), adding the notes to `warnings`.
    void LayMarkers(const MPEGData& file, MarkerGeometry& markers, std::vector<std::string>& warnings) const;
    // Where the method cuts `file`: at the markers it lays, with their
    // titles, or at the sample positions given.
    SplitCuts Cuts(const MPEGData& file, std::vector<std::string>& warnings) const;
    // Where the sections of the method begin in `file`, exactly, with the
    // titles they came with: the file's start, then every cut. The title of
    // a section that came with none is empty.
    std::vector<Chapter> SectionStarts(const MPEGData& file, std::vector<std::string>& warnings) const;

private:
    PauseFinder FindPauses(const MPEGData& file) const;
    // The section count of --count, --length or --size.
    std::int64_t EvenSections(const MPEGData& file) const;
    // The file's chapters, refused when there are none or the markers
    // cannot hold them all.
    std::vector<Chapter> FileChapters(const MPEGData& file) const;

    std::string name_;
    std::string value_;
    PauseSettings pauses_;
    std::optional<double> snapReach_; // seconds
    bool quiet_ = false;
};

// A time as the command line writes it (see ParseTimePoint: "90", "1.5",
// "01:30", "1:02:03.25", "-10", "end") as an exact sample of `file`. Raises
// UsageError, naming the text, for anything else and for a time outside the
// audio.
std::int64_t TimeToSample(const std::string& text, const MPEGData& file);

} // namespace oq::cli
