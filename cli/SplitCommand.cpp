#include "cli/SplitCommand.h"

#include "cli/Arguments.h"
#include "cli/WritingBatch.h"
#include "cli/Console.h"
#include "cli/SectionMethod.h"
#include "cli/UserTags.h"
#include "jobs/JobList.h"
#include "jobs/SplitRecipe.h"
#include "base/PathParts.h"

#include <optional>

namespace oq::cli {

namespace {

SectionChoice ParseChoice(const std::string& text)
{
    if (text == "all")
        return SectionChoice::All;
    if (text == "odd")
        return SectionChoice::Odd;
    if (text == "even")
        return SectionChoice::Even;
    throw UsageError("--sections takes all, odd or even");
}

// The sections of one FILE of the run, planned.
std::optional<PlannedSource> PlanSource(const Arguments& options, const SectionMethod& method, const UserTags& tags,
                                        const std::string& source, const JobControl& control, JobObserver& observer);

} // namespace

std::string SplitCommand::Summary() const { return "cut a file into sections without re-encoding"; }

std::string SplitCommand::Usage() const
{
    return "Usage: oggquorvel-cli split FILE... METHOD [OPTIONS]\n\n"
           "Writes the sections of FILE (Ogg Vorbis or Opus) as files of their own,\n"
           "copying the compressed audio unchanged; played one after another they give\n"
           "exactly the samples of FILE. Section k is named PRE, k, POST and the extension\n"
           "of FILE's codec: \".ogg\" where the name has none of its own, \".opus\" always.\n"
           "With zeros k has two digits (\"01\"), three from 100 sections on (\"001\").\n"
           "Every name is settled before anything is written: a single file name in the\n"
           "output folder (what file systems refuse in a name becomes '_'), cut to the\n"
           "length the folder takes and, where another section has the name, followed\n"
           "by \" (NN)\", NN the section number. Standard error tells each change.\n\n"
           "Several FILEs are each cut by METHOD (which then may not be --cue or --labels:\n"
           "those fit one recording; --replaygain takes each FILE for an album of its\n"
           "own); the default POST keeps their sections' names apart. All are read and\n"
           "every name settled before anything is written; two FILEs whose sections would\n"
           "have one name (FILEs of one name from two folders with one --out, or a --post\n"
           "of their own) refuse the run. A FILE that cannot be read or cut is named and\n"
           "passed over, the others are written, and the run ends with a summary and\n"
           "status 1.\n\n" +
           SectionMethod::Usage() +
           "\nOptions:\n"
           "  --out DIR          folder for the sections (default: FILE's folder)\n"
           "  --sections WHICH   all (default), odd or even\n"
           "  --pre TEXT         text before the section number (default \"Part \")\n"
           "  --post TEXT        text after the number (default \" - \" and FILE's name)\n"
           "  --no-zeros         no zeros before the section number\n"
           "  --names-from-titles  name the titled sections after their titles (those\n"
           "                     of --cue, --labels, --links and --chapters; others\n"
           "                     give none): \"NN - Title.ogg\", NN the cue track's number,\n"
           "                     else the section's; an untitled section keeps the\n"
           "                     usual name\n"
           "  --name TEMPLATE    name the titled sections by TEMPLATE: {n} the section\n"
           "                     number (two digits), {title}, {artist}, {album}; a\n"
           "                     name that comes out empty gives the usual one\n"
           "  --replaygain       give each section its own loudness (track gain and\n"
           "                     peak) and all of them the album's, measured first\n" +
           UserTagsUsage() + JobsUsage() +
           "  --force            replace existing files without asking\n"
           "  --quiet            no progress line\n"
           "  --json             print one JSON document instead of the files written\n\n" +
           JsonWrittenUsage() + "\n" + kRefusedOutputs;
}

int SplitCommand::Run(const std::vector<std::string>& arguments)
{
    std::set<std::string> valueOptions = SectionMethod::Options();
    valueOptions.insert({"--out", "--sections", "--pre", "--post", "--name", "--jobs"});
    std::set<std::string> flagOptions = SectionMethod::Flags();
    flagOptions.insert({"--no-zeros", "--names-from-titles", "--replaygain", "--force", "--quiet", "--json"});
    const Arguments options(arguments, valueOptions, flagOptions, {"--tag"});
    if (options.Plain().empty())
        throw UsageError("give the FILE to split");
    const SectionMethod method(options);
    RequireOneSourceFor(method.InputFiles(), options.Plain().size());
    // Names from titles need a method whose markers carry them.
    for (const char* naming : {"--names-from-titles", "--name"})
        if (options.Has(naming) && !method.GivesTitles())
            throw UsageError(std::string(naming) + " names sections after their titles, which " + method.Name() +
                             " does not give: use --cue, --labels, --links or --chapters");
    const UserTags tags = ParseUserTags(options.Values("--tag"));
    // A wrong --sections is refused before any file is read.
    ParseChoice(options.Value("--sections").value_or("all"));
    const unsigned workers = WorkersOf(options.Value("--jobs"));
    const auto plan = [&](const std::string& source, const JobControl& control, JobObserver& observer) {
        return PlanSource(options, method, tags, source, control, observer);
    };
    return WritingBatch(Name(), options.Has("--quiet"), options.Has("--json"))
        .Run(options.Plain(), plan, options.Has("--force"), workers);
}

namespace {

std::optional<PlannedSource> PlanSource(const Arguments& options, const SectionMethod& method, const UserTags& tags,
                                        const std::string& source, const JobControl& control, JobObserver& observer)
{
    const MPEGData file = DescribeFileToCut(source);

    std::vector<std::string> warnings;
    SplitRequest request{.File = file, .Cuts = method.Cuts(file, warnings), .Tags = tags};
    SplitOptions& split = request.Naming;
    split.OutputFolder = options.Value("--out").value_or(FolderOf(file.FileName));
    split.Sections = ParseChoice(options.Value("--sections").value_or("all"));
    split.PreText = options.Value("--pre").value_or("Part ");
    split.PostText = options.Value("--post").value_or(" - " + NameOf(file.FileName));
    split.Zeros = !options.Has("--no-zeros");
    split.NamesFromTitles = options.Has("--names-from-titles");
    split.NameTemplate = options.Value("--name").value_or("");
    request.MeasureLoudness = options.Has("--replaygain");
    const SplitRecipe recipe(request);
    PrintWarnings(warnings);

    std::optional<JobList> jobs = recipe.Plan(control, observer);
    if (!jobs)
        return std::nullopt;
    return PlannedSource{file, std::move(*jobs)};
}

} // namespace

} // namespace oq::cli
