#pragma once

#include "jobs/JobPlanner.h"

#include <string>
#include <utility>
#include <vector>

namespace oq::cli {

// The user's own comments, as --tag gave them ("KEY=VALUE" each).
using UserTags = std::vector<std::pair<std::string, std::string>>;

// Raises UsageError for a tag without '=' or whose KEY is not a comment
// field name (printable ASCII from ' ' to '}', without '='). A VALUE that is
// not valid UTF-8 is read as Windows-1252.
UserTags ParseUserTags(const std::vector<std::string>& tags);

// Gives every section the tags after the comments the source, a cue sheet
// and a loudness measurement gave it, replacing those of the same names;
// "{n}" in a value is the section's number, "{total}" the number of sections.
void AddUserTags(SectionSource& source, const UserTags& tags);

// What the help says of --tag.
std::string UserTagsUsage();

} // namespace oq::cli
