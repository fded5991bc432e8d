#include "cli/ChaptersCommand.h"

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/SectionMethod.h"
#include "jobs/ChapterCopy.h"
#include "model/Chapters.h"
#include "base/OutputTarget.h"

#include <algorithm>
#include <iostream>

namespace oq::cli {

std::string ChaptersCommand::Summary() const { return "list a file's chapters, or write a copy with new ones"; }

std::string ChaptersCommand::Usage() const
{
    return "Usage: oggquorvel-cli chapters FILE [METHOD --to OUT] [--quiet]\n\n"
           "Without METHOD, lists the chapters of FILE (Ogg Vorbis or Opus): the\n"
           "CHAPTERnnn=HH:MM:SS.fff fields of its comments and their CHAPTERnnnNAME\n"
           "titles, a line each with its number, time, title and exact sample. In a\n"
           "chained file each link's chapters count from the link's start.\n\n"
           "With METHOD, writes OUT: a copy of FILE whose comments carry a chapter at\n"
           "the start of every section METHOD gives (CHAPTER001 on, to the millisecond),\n"
           "named after the titles they came with or \"Chapter k\". Earlier chapter fields\n"
           "go, every other comment stays, and the audio is copied unchanged. In a\n"
           "chained file each link carries the chapters that begin in it. FILE is never\n"
           "written.\n\n" +
           SectionMethod::Usage() +
           "\nOptions:\n"
           "  --to OUT           the copy to write (replaced when it exists)\n"
           "  --quiet            no progress line while --silence or --snap analyses\n\n" +
           kRefusedOutputs;
}

int ChaptersCommand::Run(const std::vector<std::string>& arguments)
{
    std::set<std::string> valueOptions = SectionMethod::Options();
    valueOptions.insert("--to");
    std::set<std::string> flagOptions = SectionMethod::Flags();
    flagOptions.insert("--quiet");
    const Arguments options(arguments, valueOptions, flagOptions);
    if (options.Plain().size() != 1)
        throw UsageError("give one FILE");
    const std::string& source = options.Plain()[0];
    const std::optional<std::string> target = options.Value("--to");
    const auto given = [&options](const std::string& option) { return options.Has(option); };
    const bool listing =
        std::ranges::none_of(SectionMethod::Options(), given) && std::ranges::none_of(SectionMethod::Flags(), given);
    if (listing) {
        if (target)
            throw UsageError("--to writes the sections of a METHOD as chapters: give one");
        const MPEGData file = DescribeSourceFile(source);
        const std::vector<Chapter> chapters = ReadChapters(source);
        if (chapters.empty())
            std::cout << "\"" << source << "\" holds no chapters.\n";
        for (std::size_t k = 0; k < chapters.size(); ++k)
            std::cout << k + 1 << "\t" << ChapterFields::Time(chapters[k].Sample, file.Rate) << "\t"
                      << chapters[k].Title << "\t(sample " << chapters[k].Sample << ")\n";
        return 0;
    }
    if (!target)
        throw UsageError("give the copy to write with --to OUT");
    const SectionMethod method(options);
    // Refused before the method reads or analyses anything.
    std::vector<std::string> inputs = method.InputFiles();
    inputs.push_back(source);
    RequireWritableOutput(*target, inputs);
    const MPEGData file = DescribeFileToCut(source);
    std::vector<std::string> warnings;
    const std::vector<Chapter> chapters = method.SectionStarts(file, warnings);
    PrintWarnings(warnings);
    WriteChapterCopy(source, *target, chapters, method.InputFiles());
    std::cout << "Wrote " << chapters.size() << " chapters to \"" << *target << "\".\n";
    return 0;
}

} // namespace oq::cli
