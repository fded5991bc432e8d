#include "cli/JsonReport.h"

#include "jobs/JobList.h"
#include "media/ChainTimeline.h"
#include "media/FileLinks.h"
#include "media/MPEGData.h"
#include "model/Chapters.h"
#include "model/MarkerGeometry.h"

#include <iostream>
#include <string>

namespace oq::cli {

namespace {

constexpr int kIndent = 2;

Json LinkJson(const FileLink& link)
{
    const LinkHeaders& headers = link.Headers;
    Json comments = Json::array();
    for (const auto& [name, value] : headers.Comments)
        comments.push_back({{"name", name}, {"value", value}});
    Json json = {{"codec", std::string(headers.Codec->Name)},
                 {"serial", headers.Serial},
                 {"rate", headers.Rate},
                 {"channels", headers.Channels},
                 {"pre_skip", headers.PreSkip},
                 {"vendor", headers.Vendor},
                 {"comments", std::move(comments)},
                 {"first_byte", link.FirstByte},
                 {"end_byte", link.EndByte}};
    // The link's own rate: its boundaries are those its pages give.
    const ChainTimeline timeline(static_cast<std::int32_t>(headers.Rate));
    json.update(SampleRangeJson(link.FirstSample, link.EndSample, timeline));
    return json;
}

} // namespace

Json SampleRangeJson(std::int64_t first, std::int64_t end, const ChainTimeline& timeline)
{
    return {{"first_sample", first},
            {"end_sample", end},
            {"samples", end - first},
            {"seconds", timeline.Length(first, end)}};
}

Json FileFactsJson(const MPEGData& record)
{
    Json links = Json::array();
    for (const FileLink& link : ReadFileLinks(record.FileName))
        links.push_back(LinkJson(link));
    return {{"source", record.FileName},
            {"size", record.FileSize},
            {"codec", record.Codec},
            {"version", record.Version},
            {"rate", record.Rate},
            {"channels", record.Channels},
            {"samples", record.PcmTotal},
            {"seconds", record.TimeTotal},
            {"play_length", record.PlayLength},
            {"bitrate_kibit", record.BitRate},
            {"serial", static_cast<std::uint32_t>(record.SerialNumber)},
            {"links", std::move(links)}};
}

Json WrittenSectionsJson(const JobList& jobs, const MPEGData& source, std::size_t outputs)
{
    const ChainTimeline timeline(source);
    Json files = Json::array();
    for (const JobStacker& job : jobs) {
        if (!job.FinishOutput)
            continue;
        if (files.size() == outputs)
            break;
        // The last section with audio runs to the source's end, which its
        // job leaves as 0.
        const std::int64_t end = job.EndGranule > job.StartGranule ? job.EndGranule : source.PcmTotal;
        Json file = {{"file", job.FinalName}, {"section", job.SectionNumber}};
        file.update(SampleRangeJson(job.StartGranule, end, timeline));
        files.push_back(std::move(file));
    }
    return files;
}

Json CutStretchesJson(const JobList& jobs, const MPEGData& source)
{
    const ChainTimeline timeline(source);
    Json stretches = Json::array();
    std::int64_t output = 0; // where the next kept link begins in the output
    const auto add = [&](std::int64_t first, std::int64_t end, const std::string& title) -> Json& {
        Json stretch = {{"stretch", stretches.size() + 1}, {"title", title}};
        stretch.update(SampleRangeJson(first, end, timeline));
        stretch["output_first_sample"] = output;
        output += end - first;
        stretch["output_end_sample"] = output;
        stretches.push_back(std::move(stretch));
        return stretches.back();
    };
    for (const JobStacker& job : jobs) {
        if (job.WriteOneStream) {
            // Each stretch begins in the output where the plan placed it
            // and holds the source's samples from Start up to End.
            for (const StreamStretch& placed : job.Stretches) {
                output = placed.OutputStart;
                Json& stretch = add(placed.Start, placed.End, placed.Title);
                stretch["start_moved"] = placed.Start - placed.From;
                stretch["end_moved"] = placed.End - placed.To;
            }
        } else if (!job.SkipOutput) {
            // As in WrittenSectionsJson, the last section's end is left 0.
            const std::int64_t end = job.EndGranule > job.StartGranule ? job.EndGranule : source.PcmTotal;
            add(job.StartGranule, end, job.SectionTitle);
        }
    }
    return stretches;
}

Json ChaptersJson(const std::vector<Chapter>& chapters, const MPEGData& file)
{
    const ChainTimeline timeline(file);
    Json listed = Json::array();
    for (const Chapter& chapter : chapters) {
        Json item = {{"chapter", listed.size() + 1},
                     {"sample", chapter.Sample},
                     {"seconds", timeline.Seconds(chapter.Sample)},
                     {"title", chapter.Title}};
        if (chapter.EndSample) {
            item["end_sample"] = *chapter.EndSample;
            item["end_seconds"] = timeline.Seconds(*chapter.EndSample);
        }
        listed.push_back(std::move(item));
    }
    return listed;
}

Json MarkersJson(const MPEGData& file, const MarkerGeometry& markers)
{
    const ChainTimeline timeline(file);
    Json laid = Json::array();
    for (int i = 1; i <= markers.Count(); ++i) {
        const Marker& at = markers.At(i);
        const std::int64_t sample = markers.CutSample(i);
        Json marker = {{"marker", i},
                       {"block", at.Position},
                       {"sample", sample},
                       {"exact", at.Sample.has_value()},
                       {"seconds", timeline.Seconds(sample)}};
        if (!at.Title.empty())
            marker["title"] = at.Title;
        laid.push_back(std::move(marker));
    }
    Json sections = Json::array();
    const std::vector<Section> blocks = markers.Sections();
    for (std::size_t j = 0; j < blocks.size(); ++j) {
        const auto number = static_cast<int>(j) + 1;
        const SampleRange samples = markers.SectionSamples(number);
        Json section = {{"section", number}, {"first_block", blocks[j].Start}, {"end_block", blocks[j].End}};
        section.update(SampleRangeJson(samples.Start, samples.End, timeline));
        sections.push_back(std::move(section));
    }
    return {{"source", file.FileName},
            {"blocks", file.BlockCount},
            {"rate", file.Rate},
            {"samples", file.PcmTotal},
            {"markers", std::move(laid)},
            {"sections", std::move(sections)}};
}

void PrintJson(const Json& document)
{
    std::cout << document.dump(kIndent, ' ', false, Json::error_handler_t::replace) << "\n" << std::flush;
}

} // namespace oq::cli
