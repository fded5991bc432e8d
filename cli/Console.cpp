#include "cli/Console.h"

#include "media/OggFileInfo.h"
#include "base/Error.h"

#include <iostream>

namespace oq::cli {

std::vector<MPEGData> DescribeInputs(const std::vector<std::string>& names)
{
    std::vector<MPEGData> files;
    std::string refused;
    for (const std::string& name : names) {
        try {
            files.push_back(ReadOggFileInfo(name));
        } catch (const NotOggAudioError& error) {
            refused += (refused.empty() ? "" : "; ") + std::string(error.what());
        }
    }
    if (!refused.empty())
        throw Error("Not a Valid Ogg File.: " + refused);
    return files;
}

void PrintWarnings(const std::vector<std::string>& warnings)
{
    for (const std::string& warning : warnings)
        std::cerr << "oggquorvel-cli: warning: " << warning << "\n";
}

void PrintNotes(const std::vector<std::string>& notes)
{
    for (const std::string& note : notes)
        std::cerr << "oggquorvel-cli: note: " << note << "\n";
}

} // namespace oq::cli
