#pragma once

#include <string>

namespace oq::test {

// The first problem of a WAV file the program wrote (header sizes that
// disagree with its length, data that is no whole number of frames), or
// an empty string.
std::string ProblemWithWav(const std::string& path);

// The problem of one file a run left: a temporary file, or a ".ogg" or
// ".wav" file that is not whole (see ProblemWithStream, taking the serial
// number of the file's first page, and ProblemWithWav); other files are not
// looked at. Empty when there is none.
std::string ProblemWithOutput(const std::string& path);

// The first problem of what a run left in `folder`, finished or failed.
std::string ProblemWithOutputs(const std::string& folder);

} // namespace oq::test
