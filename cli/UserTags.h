#pragma once

#include "jobs/SplitRecipe.h"

#include <string>
#include <vector>

namespace oq::cli {

// The user's own comments, as --tag gave them ("KEY=VALUE" each). Raises
// UsageError for a tag without '=' or whose KEY is not a comment field
// name (printable ASCII from ' ' to '}', without '='). A VALUE that is not
// valid UTF-8 is read as Windows-1252.
UserTags ParseUserTags(const std::vector<std::string>& tags);

// What the help says of --tag.
std::string UserTagsUsage();

} // namespace oq::cli
