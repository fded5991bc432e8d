#pragma once

#include "base/FolderCase.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oq {

// A file name in the two parts that a suffix and a shortening go between.
struct NameParts {
    std::string Stem;
    std::string Extension; // empty, or a dot and at least one character
};

// One file that a run wants to write, as its planner built the name from
// the user's texts (options, titles, templates, input names), not cleaned.
struct WantedOutput {
    std::string Folder; // the folder chosen for it; "" is the current one
    NameParts Name;
    // Taken instead when Name's stem is nothing but blanks and dots (an
    // empty title, a template of empty fields).
    NameParts Usual;
    std::string Item;         // what the notes call this output: "section 3", "file 2"
    std::int32_t Number = 0;  // its "NN" when it must be told apart from another
};

// The final names of every output of one run, settled together before the
// first byte is written, so that the run writes each file it lists:
// - each is one visible file name (SafeFileName) inside the folder chosen
//   for it, valid UTF-8;
// - each fits the folder's file system: a longer name loses characters at
//   the end of its stem, at a character boundary, keeping its extension;
// - no two are one file: folders are compared as the files they are, names
//   byte for byte, or in a folder that ignores case (a FAT or NTFS medium)
//   with letters of either case equal (see NameOwners; `probe` tells
//   whether a folder does). An output whose name an earlier one wants, or
//   that another one wants as it is, takes " (NN)" before the extension,
//   NN its Number of two digits or more; where that is wanted or taken
//   too, " (NN-2)", " (NN-3)" and so on.
// Every name that is not the one wanted gives a note saying why.
class OutputNames {
public:
    // Raises IoError for a folder whose file system takes too short names
    // to hold a suffix.
    explicit OutputNames(const std::vector<WantedOutput>& wanted, const CaseProbe& probe = FolderIgnoresCase);

    std::size_t Count() const noexcept { return paths_.size(); }
    // Output `index`'s folder and final name, in the order wanted.
    const std::string& Path(std::size_t index) const { return paths_[index]; }
    // Why output `index` is written under another name than it wanted, as
    // one line: "section 3 is written as "same (03).ogg": "same.ogg" is
    // section 1's name"; empty when it has the name it wanted.
    const std::string& Note(std::size_t index) const { return notes_[index]; }

private:
    std::vector<std::string> paths_;
    std::vector<std::string> notes_;
};

} // namespace oq
