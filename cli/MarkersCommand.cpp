#include "cli/MarkersCommand.h"

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/SectionMethod.h"
#include "model/CueSheetWriter.h"
#include "model/LabelFile.h"
#include "model/MarkerGeometry.h"
#include "model/MarkerItems.h"
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
    const MPEGData file = DescribeSourceFile(options.Plain()[0]);
    MarkerGeometry markers(file);
    std::vector<std::string> warnings;
    const MarkerTitles titles = method.LayMarkers(file, markers, warnings);
    PrintWarnings(warnings);
    const std::vector<Section> sections = markers.Sections();
    if (options.Has("--save-labels"))
        LabelFile::Write(*options.Value("--save-labels"), markers.Positions(), titles, MarkerTime(file));
    if (options.Has("--save-cue"))
        CueSheetWriter::Write(*options.Value("--save-cue"), file.FileName, sections, titles, MarkerTime(file));

    std::cout << "Blocks: " << file.BlockCount << "\n";
    const std::vector<std::string> markerItems = MarkerItems(markers);
    for (std::size_t k = 0; k < markerItems.size(); ++k)
        std::cout << markerItems[k] << " (block " << markers.Position(static_cast<int>(k) + 1) << ")\n";
    for (const std::string& item : SectionItems(sections, markers.Converter()))
        std::cout << item << "\n";
    std::cout << "Sections: " << sections.size() << "\n";
    return 0;
}

} // namespace oq::cli
