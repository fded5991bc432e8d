#include "cli/MarkersCommand.h"

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/SectionMethod.h"
#include "model/MarkerList.h"

#include <iostream>

namespace oq::cli {

std::string MarkersCommand::Summary() const { return "show the markers and sections a split method gives"; }

std::string MarkersCommand::Usage() const
{
    return "Usage: oggquorvel-cli markers FILE METHOD\n\n"
           "Prints the markers (block positions; one block is 16384 bytes of decoded\n"
           "audio) and the section list that METHOD lays on FILE, as the editor shows\n"
           "them. Writes nothing.\n\n" +
           SectionMethod::Usage(SectionMethod::Choice::MarkersOnly);
}

int MarkersCommand::Run(const std::vector<std::string>& arguments)
{
    const Arguments options(arguments, SectionMethod::Options(SectionMethod::Choice::MarkersOnly), {});
    if (options.Plain().size() != 1)
        throw UsageError("give one FILE");
    const SectionMethod method(options, SectionMethod::Choice::MarkersOnly);
    const MPEGData file = DescribeSourceFile(options.Plain()[0]);
    MarkerList markers(file);
    std::vector<std::string> warnings;
    method.LayMarkers(file, markers, warnings);
    PrintWarnings(warnings);

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
