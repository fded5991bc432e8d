#pragma once

#include "base/FolderCase.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace oq {

// Which output of a run holds each file, with the names compared as the
// file system compares them: every spelling of one folder ("out", "./out",
// a link to it: one device and inode) is one folder, and in a folder that
// ignores case (FolderIgnoresCase) names that differ only in case
// (FoldCase) are one file. A folder is probed only when two names claimed
// in it differ only in case, and at most once.
class NameOwners {
public:
    explicit NameOwners(CaseProbe probe = FolderIgnoresCase) : probe_(std::move(probe)) {}

    struct Holder {
        std::size_t Output = 0;
        std::string Name; // the file name as that output claimed it
    };

    // The output that holds the file `path` names; when none does yet,
    // `output`, which holds it from now on.
    Holder Claim(const std::string& path, std::size_t output);

private:
    struct Folder {
        std::string Path; // as first written, for the probe
        std::optional<bool> IgnoresCase;
        // The holders of each name folded by FoldCase: in a folder
        // that ignores case at most one, else one per spelling.
        std::unordered_map<std::string, std::vector<Holder>> Names;
    };

    Folder& Lookup(const std::string& folder);

    CaseProbe probe_;
    std::map<std::string, std::string> keys_;   // folder as written: its key
    std::map<std::string, Folder> folders_;     // by key
};

} // namespace oq
