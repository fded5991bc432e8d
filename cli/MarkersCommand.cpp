#include "cli/MarkersCommand.h"

#include "cli/Arguments.h"
#include "cli/Batch.h"
#include "cli/Console.h"
#include "cli/SectionMethod.h"
#include "model/CueSheetWriter.h"
#include "model/LabelFile.h"
#include "model/MarkerGeometry.h"
#include "model/MarkerItems.h"
#include "model/MarkerTime.h"
#include "base/NameOwners.h"
#include "base/OutputTarget.h"

#include <iostream>

namespace oq::cli {

namespace {

// Whether two output names, either of which may not exist yet, name one
// file: through "..", a linked folder, another spelling of the folder, or
// in a folder that ignores case, another case of the name.
bool SameOutput(const std::string& a, const std::string& b)
{
    NameOwners owners;
    owners.Claim(a, 0);
    return owners.Claim(b, 1).Output == 0;
}

} // namespace

std::string MarkersCommand::Summary() const { return "show the markers and sections a split method gives"; }

std::string MarkersCommand::Usage() const
{
    return "Usage: oggquorvel-cli markers FILE... METHOD [OPTIONS]\n\n"
           "Prints the markers (block positions; one block is 16384 bytes of decoded\n"
           "audio) and the section list that METHOD lays on FILE, as the editor shows\n"
           "them. A marker whose time the method knows (--cue, --labels, --links,\n"
           "--chapters) also shows the exact sample it cuts at, and its title. Writes\n"
           "no audio. Several FILEs are each shown after a line \"FileName: FILE\", a\n"
           "blank line between them; one that cannot be read is named and passed over,\n"
           "and the run ends with a summary and status 1.\n\n" +
           SectionMethod::Usage(SectionMethod::Choice::MarkersOnly) +
           "\nOptions (each replaces a file of that name):\n"
           "  --save-labels OUT  save the markers as a label file: a point label a line,\n"
           "                     start and end in seconds with six decimals (each\n"
           "                     marker's exact time) and its title, else \"Marker k\"\n"
           "  --save-cue OUT     save a cue sheet of the sections: a track each, titled\n"
           "                     from the cue sheet, labels or links they came from,\n"
           "                     else \"Section k\", INDEX 01 to the nearest 1/75 s\n"
           "  --quiet            no progress line while --silence or --snap analyses\n"
           "  --json             print one JSON document instead: an array with an object\n"
           "                     for each FILE, {\"source\", \"blocks\", \"rate\", \"samples\",\n"
           "                     \"markers\": [{\"marker\", \"block\", \"sample\", \"seconds\",\n"
           "                     \"exact\", \"title\" where one came with it}], \"sections\":\n"
           "                     [{\"section\", \"first_block\", \"end_block\", \"first_sample\",\n"
           "                     \"end_sample\", \"samples\", \"seconds\"}]}, or {\"source\",\n"
           "                     \"error\"} for a FILE not done; a marker's \"sample\" is\n"
           "                     its exact cut, where a section begins\n\n" +
           kRefusedOutputs;
}

int MarkersCommand::Run(const std::vector<std::string>& arguments)
{
    std::set<std::string> valueOptions = SectionMethod::Options(SectionMethod::Choice::MarkersOnly);
    valueOptions.insert({"--save-labels", "--save-cue"});
    std::set<std::string> flagOptions = SectionMethod::Flags();
    flagOptions.insert({"--quiet", "--json"});
    const Arguments options(arguments, valueOptions, flagOptions);
    const std::vector<std::string>& sources = options.Plain();
    if (sources.empty())
        throw UsageError("give the FILE");
    const SectionMethod method(options, SectionMethod::Choice::MarkersOnly);
    RequireOneSourceFor(method.InputFiles(), sources.size());
    const std::optional<std::string> labelsOut = options.Value("--save-labels");
    const std::optional<std::string> cueOut = options.Value("--save-cue");
    if (sources.size() > 1 && (labelsOut || cueOut))
        throw UsageError("--save-labels and --save-cue name one file; give one FILE with them");
    BatchReport report(Name(), sources.size(), options.Has("--json"));
    bool shownOne = false;
    ForEachSource(sources, report, [&](std::size_t index, const std::string& source) {
        const MPEGData file = DescribeFileToCut(source);
        // Both outputs are checked before the analysis and before either is written.
        std::vector<std::string> inputs = method.InputFiles();
        inputs.push_back(file.FileName);
        for (const std::optional<std::string>& output : {labelsOut, cueOut})
            if (output)
                RequireWritableOutput(*output, inputs);
        if (labelsOut && cueOut && SameOutput(*labelsOut, *cueOut))
            throw UsageError("--save-labels and --save-cue name one file, \"" + *cueOut + "\"; give each its own");
        MarkerGeometry markers(file);
        std::vector<std::string> warnings;
        method.LayMarkers(file, markers, warnings);
        PrintWarnings(warnings);
        const std::vector<Section> sections = markers.Sections();
        if (labelsOut)
            LabelFile::Write(*labelsOut, markers.Places(), MarkerTime(file), inputs);
        if (cueOut)
            CueSheetWriter::Write(*cueOut, file.FileName, CueSheetWriter::TracksOf(markers), file.Rate,
                                  method.InputFiles());

        if (report.WantsJson()) {
            report.Done(index, MarkersJson(file, markers));
            return;
        }
        // Several files are told apart as info tells them: a blank line between
        // them, each beginning with its name.
        if (sources.size() > 1)
            std::cout << (shownOne ? "\n" : "") << "FileName: " << file.FileName << "\n";
        shownOne = true;
        std::cout << "Blocks: " << file.BlockCount << "\n";
        const std::vector<std::string> markerItems = MarkerItems(markers);
        for (int i = 1; i <= markers.Count(); ++i) {
            const Marker& marker = markers.At(i);
            std::cout << markerItems[static_cast<std::size_t>(i - 1)] << " (block " << marker.Position;
            if (marker.Sample)
                std::cout << ", sample " << *marker.Sample;
            if (!marker.Title.empty())
                std::cout << ", \"" << marker.Title << "\"";
            std::cout << ")\n";
        }
        for (const std::string& item : SectionItems(markers))
            std::cout << item << "\n";
        std::cout << "Sections: " << sections.size() << "\n";
    });
    return report.Finish();
}

} // namespace oq::cli
