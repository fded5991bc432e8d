#include "bench/Scenarios.h"

#include "bench/TimedRounds.h"
#include "bench/ToolWork.h"

#include <cstdint>
#include <vector>

namespace oq::bench {

namespace {

constexpr std::uint64_t kBusyIterations = 400'000'000; // about a second of arithmetic on one core

} // namespace

// Whether two threads get twice the work done of one right now: on a
// machine shared with other sessions they may not, and no parallel decoding
// can then beat one thread by more than this.
Headroom MeasureHeadroom(const ScenarioSetting& setting)
{
    Headroom headroom{setting.Begin("Two cores: the same arithmetic on one thread and split over two"), {}};
    const std::vector<Measured> results =
        TimeInRounds({ChildTask("1 thread", [] { BusyWork(1, kBusyIterations); }),
                      ChildTask("2 threads", [] { BusyWork(2, kBusyIterations); })},
                     setting.QuickRounds(), setting.Progress());
    headroom.Found.AddRow("arithmetic, 1 thread", results[0]);
    headroom.Found.AddRow("arithmetic, split over 2 threads", results[1], "1 thread", &results[0],
                          "below 0.6: decoding on two cores can meet its 0.6 goals here");
    if (results[0].Ok() && results[1].Ok())
        headroom.TwoThreadShare = results[1].Seconds / results[0].Seconds;
    return headroom;
}

} // namespace oq::bench
