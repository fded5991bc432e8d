#pragma once

#include <cstdint>
#include <string>

namespace oq {

// What a running job tells the person waiting for it. The save wizard's
// final page shows these; the command-line tool prints them. Calls come from
// the thread that runs the job. Every method has an empty default, so an
// observer takes only what it shows.
class JobObserver {
public:
    virtual ~JobObserver() = default;

    // The file being worked on, without its folder.
    virtual void CurrentFile(const std::string& /*name*/) {}
    // The job count text, "3 / 12" while the third of twelve jobs runs.
    virtual void TotalText(const std::string& /*text*/) {}
    // What is being done, "Copying Ogg Data...", "Creating WAV File (42%)...".
    virtual void ProcessText(const std::string& /*text*/) {}
    virtual void Progress(std::int64_t /*position*/, std::int64_t /*maximum*/) {}
};

} // namespace oq
