#include "cli/MarkersCommand.h"

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/SectionMethod.h"
#include "model/CueSheetWriter.h"
#include "model/LabelFile.h"
#include "model/MarkerList.h"
#include "model/MarkerTime.h"

#include <iostream>

namespace oq::cli {

std::string MarkersCommand::Summary() const { return "show the markers and sections a split method gives"; }

std::string MarkersCommand::Usage() const
{
    return "Usage: oggquorvel-cli markers FILE METHOD [OPTIONS]\n\n"
           "Prints the markers (block positions; one block is 16384 bytes of decoded\n"
           "audio) and the section list that METHOD lays on FILE, as the editor shows\n"
           "them. Writes no audio.\n\n" +
           SectionMethod::Usage(SectionMethod::Choice::MarkersOnly) +
           "\nOptions (each replaces a file of that name):\n"
           "  --save-labels OUT  save the markers as a label file: a point label a line,\n"
           "                     start and end in seconds with six decimals and a text\n"
           "  --save-cue OUT     save a cue sheet of the sections: a track each, titled\n"
           "                     from the cue sheet or labels they came from, else\n"
           "                     \"Section k\", INDEX 01 to the nearest 1/75 s\n"
           "  --quiet            no progress line while --silence or --snap analyses\n";
}

int MarkersCommand::Run(const std::vector<std::string>& arguments)
{
    std::set<std::string> valueOptions = SectionMethod::Options(SectionMethod::Choice::MarkersOnly);
    valueOptions.insert({"--save-labels", "--save-cue"});
    std::set<std::string> flagOptions = SectionMethod::Flags();
    flagOptions.insert("--quiet");
    const Arguments options(arguments, valueOptions, flagOptions);
    if (options.Plain().size() != 1)
        throw UsageError("give one FILE");
    const SectionMethod method(options, SectionMethod::Choice::MarkersOnly);
    const MPEGData file = DescribeFileToCut(options.Plain()[0]);
    MarkerList markers(file);
    std::vector<std::string> warnings;
    const MarkerTitles titles = method.LayMarkers(file, markers, warnings);
    PrintWarnings(warnings);
    if (options.Has("--save-labels"))
        LabelFile::Write(*options.Value("--save-labels"), markers.Positions(), titles, MarkerTime(file));
    if (options.Has("--save-cue"))
        CueSheetWriter::Write(*options.Value("--save-cue"), file.FileName, markers.Sections(), titles,
                              MarkerTime(file));

    std::cout << "Blocks: " << file.BlockCount << "\n";
    for (int i = 1; i <= markers.MarkerCount(); ++i)
        std::cout << markers.MarkerChoiceItems().at(static_cast<std::size_t>(i)) << " (block " << markers.Position(i)
                  << ")\n";
    for (std::size_t j = 1; j < markers.SectionChoiceItems().size(); ++j)
        std::cout << markers.SectionChoiceItems()[j] << "\n";
    std::cout << "Sections: " << markers.SectionTotalText() << "\n";
    return 0;
}

} // namespace oq::cli
