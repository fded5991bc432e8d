#include "tests/support/SectionCuts.h"

#include "tools/SectionEngine.h"
#include "tools/SectionJob.h"

namespace oq::test {

std::vector<std::string> CutSections(const std::string& source, const SectionPlan& plan)
{
    SectionEngine engine;
    engine.OpenSourceForCutting(source);
    std::vector<std::string> sections;
    const std::size_t count = plan.Cuts.size() + 1;
    std::int64_t start = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t number = k + 1;
        SectionJob job;
        job.OutputName = plan.OutputName(number);
        job.StreamSerial = plan.FirstSerial + static_cast<std::uint32_t>(k);
        job.StartGranule = start;
        job.EndGranule = number < count ? plan.Cuts[k] : 0;
        job.SkipOutput = plan.Skipped && plan.Skipped(number);
        engine.BeginOutputStream(job);
        if (number == count)
            engine.CutLastSection(job);
        else if (k == 0)
            engine.CutFirstSection(job);
        else
            engine.CutMiddleSection(job);
        engine.ClearStream();
        engine.CloseOutput();
        sections.push_back(job.SkipOutput ? std::string() : job.OutputName);
        start = job.EndGranule;
    }
    engine.ReleasePackets();
    engine.CloseSource();
    return sections;
}

} // namespace oq::test
