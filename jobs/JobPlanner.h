#pragma once

#include "codec/CommentEdit.h"
#include "media/MPEGData.h"
#include "tools/CatalogSearch.h"
#include "tools/CatalogTemplate.h"
#include "jobs/JobList.h"
#include "jobs/OutputNames.h"

#include <cstdint>
#include <string>
#include <vector>

namespace oq {

class JobControl;
class JobObserver;

// The question the caller (a message box, a terminal prompt) asks when a
// planned split would replace existing files; Cancel is answered by
// clearing the plan.
inline constexpr char kOverwriteQuestion[] = "This Will Overwrite Existing Files, Click OK To Continue:";

// The file being cut and where its sections end.
struct SectionSource {
    std::string FileName;
    std::int32_t SerialNumber = 0; // of the source's first stream
    std::int64_t PcmTotal = 0;     // samples per channel of the source
    std::int32_t Rate = 0;         // Hz, of the source's first link
    // The extension of the source codec's own files, with the dot: what the
    // sections' names are completed with.
    std::string Extension = ".ogg";
    // Where the sections end, in samples of the source, ascending: section k
    // ends at CutPoints[k - 1]; the last section (one more than there are cut
    // points) runs to the end of the source.
    std::vector<std::int64_t> CutPoints;
    // Section k's comments at [k - 1]; a section past the end keeps the
    // source's (less the track loudness, which no section keeps).
    std::vector<CommentEdit> Comments{};
    // Section k's name from its cue track ("NN - Title") at [k - 1]; empty
    // where a section plays no track.
    std::vector<std::string> TrackNames{};
    // The other files the sections were read from (the cue sheet or label
    // file that laid the markers): inputs of the run as much as FileName,
    // so no section may be written over one.
    std::vector<std::string> OtherInputs{};
    // Whether the source is a chain of links, which the decoder library
    // follows only from the file's start.
    bool Chained = false;
    // Whether the sections keep the source's chapter fields: only when each
    // is a whole link of it, whose own start the chapter times count from.
    bool KeepsChapters = false;
};

// The sections that the markers (block positions, ascending, at least one)
// cut `file` into: a leading section when the first marker lies after 0, one
// between each pair of markers, a trailing one when the last lies before the
// end.
SectionSource SectionsFromMarkers(const MPEGData& file, const std::vector<std::int32_t>& markerPositions);
// The sections that `cutPoints` (samples of `file`, as CutPoints holds
// them) cut `file` into.
SectionSource SectionsAtSamples(const MPEGData& file, std::vector<std::int64_t> cutPoints);

enum class SectionChoice { All = 0, Odd = 1, Even = 2 };

struct SplitOptions {
    SectionSource Source;
    std::string OutputFolder; // the source's folder unless the user chose another
    SectionChoice Sections = SectionChoice::All;
    std::string PreText = "Part ";
    std::string PostText;
    // Section numbers padded with zeros to the width of the section count,
    // two digits at least, so that the names sort in section order.
    bool Zeros = true;
    // Sections that play a cue track are named "NN - Title" instead.
    bool NamesFromTitles = false;
    // When not empty, sections that play a cue track are named by it instead:
    // "{n}" the section number of two digits or more, "{title}", "{artist}"
    // and "{album}" the track's comments.
    std::string NameTemplate{};
};

struct ExportOptions {
    SectionSource Source;
    std::string FileName;     // the file the user chose for the section
    std::int32_t Section = 1; // counted from 1 in file order
    // The section's decoded samples as a WAV file instead of its Ogg stream.
    bool Wav = false;
};

// Whether `path` ends in ".wav" (any case): a section exported there is
// decoded.
bool NamesWavFile(const std::string& path);

// Sections of one source written together as one file: the kept ones, in
// order, each a link of the output's chain behind the source's headers and
// comments (a kept section that crosses links of a chained source holds a
// link for each, as a split's section does).
struct CutOptions {
    SectionSource Source;
    std::vector<bool> Kept{};          // section k is kept when [k - 1] is true; missing: removed
    std::vector<std::string> Titles{}; // section k's name in refusals at [k - 1]; missing or empty: "section k"
    std::string FileName;            // the one output
    // The kept sections' packets as one stream instead of a chain (see
    // OneStreamCut), and with Chapters a chapter comment at the start of
    // each, named by its ChapterTitles entry where there is one.
    bool OneStream = false;
    bool Chapters = false;
    std::vector<std::string> ChapterTitles{}; // section k's at [k - 1]
};

// The sections a split's choice (All, Odd, Even) keeps, written as one file
// instead of one each: "NAME (cut).EXT" after the source, in the split's
// output folder; as one stream with a chapter at each kept section, named
// by its cue title where it has one.
CutOptions ChosenSectionsAsOneFile(const SplitOptions& options, bool oneStream);

// The comments that mark chapters at `starts` (samples at `rate`, with a
// title each, empty for none), as ChapterFields writes them:
// CHAPTER001=HH:MM:SS.fff and CHAPTER001NAME, "Chapter k" where untitled.
std::vector<std::pair<std::string, std::string>>
ChapterComments(const std::vector<std::pair<std::int64_t, std::string>>& starts, long rate);

struct JoinOptions {
    std::vector<MPEGData> Files; // in join order; FileName and FileSize are used
    std::string OutputFile;
};

struct WavOptions {
    std::vector<std::string> Files;
    bool OneDirectory = false; // false: each WAV file beside its Ogg file
    std::string OutputFolder;  // used when OneDirectory
};

struct CatalogOptions {
    CatalogMode Mode = CatalogMode::Csv;
    std::string CustomTemplate; // used in the custom mode when not empty
    std::string Directory;      // searched for files
    std::string OutputFile;     // the catalog written
    std::string Filter = kOggAudioFilter;
    bool IncludeSubFolders = true;
};

// The files of every section, written or not (section k at k - 1), settled
// together by OutputNames in the output folder. A section's name is the
// pre text, the number (padded with zeros on: "01" to "99", "001" from 100
// sections on), the post text, and the source's extension: the usual name.
// A Vorbis section's name keeps an extension the texts give it; an Opus
// section's always ends in ".opus". With NamesFromTitles, a section that
// plays a cue track is named after it ("NN - Title.ogg"); a
// NameTemplate names it likewise, and one that expands to nothing leaves
// the section its usual name.
OutputNames SectionFileNames(const SplitOptions& options);

// Each planner turns a tool's options into its job list, creating the
// temporary files the jobs write in the target folders. The observer sees
// the job count and the current file grow as the list is built. Nothing is
// written to a final name here. Every output name is first held to
// RequireWritableOutput against every file the run reads (the sources, the
// cue sheet or label file of a split, a catalog's files and template), so
// a refused name raises FileError before any temporary file is made, and
// what each name held is kept in the list for the check at its rename. The
// split and WAV planners settle every name they build first (OutputNames)
// and add a note to the list for each output written under another name
// than it wanted.

// Every section is cut; those that the choice leaves out are not written.
// WillOverwrite() tells whether an existing non-empty file has a section's
// name.
JobList PlanJobs(const SplitOptions& options, JobObserver& observer);
// Every section up to the end is cut; only the chosen one is written. The
// user already agreed to replace the chosen file, so nothing is asked.
// With Wav, the section is cut to a temporary Ogg file beside the output,
// which a last job decodes into the WAV file and which then goes.
JobList PlanJobs(const ExportOptions& options, JobObserver& observer);
// Every section is cut in one pass, the removed ones written nowhere; the
// kept ones go into one temporary file that stays open from the first to the
// last and then receives the final name. RangeError when no section with
// audio is kept. WillOverwrite() tells whether an existing non-empty file
// has the output's name. With OneStream the source is read once here to
// place the stretches on packets (RangeError where OneStreamCut::Plan
// refuses), a note tells how far each stretch's ends moved, and one job
// writes the stream.
JobList PlanJobs(const CutOptions& options, JobObserver& observer);
JobList PlanJobs(const JoinOptions& options, JobObserver& observer);
JobList PlanJobs(const WavOptions& options, JobObserver& observer);
// Searches the folder first, honouring pause and cancel; a cancelled search
// yields an empty list. A search that finds nothing still yields one job,
// which writes a catalog of head and tail. A template that cannot be read
// or used is refused here, before anything is written; sub-folders that
// cannot be listed are noted in the list's PassedOver.
JobList PlanJobs(const CatalogOptions& options, const JobControl& control, JobObserver& observer);

} // namespace oq
