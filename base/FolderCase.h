#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace oq {

// Whether the file system of `folder` takes names that differ only in case
// for one file, as FAT, exFAT and NTFS media and case-folding ext4 folders
// do. Found by trying rather than from the file system's type (which says
// nothing of an ext4 folder's own setting, nor of how a mount was made): a
// new file of a unique lower-case name, holding that name, is made in the
// folder, its upper-case name looked at (the same device and inode, or where a file
// system numbers each spelling anew, the same contents: one file) and the
// file removed. A folder that cannot be tried (missing, not writable)
// answers false; no output can be written there anyway.
bool FolderIgnoresCase(const std::string& folder);

// FolderIgnoresCase's question; tests answer it with one of their own.
using CaseProbe = std::function<bool(const std::string& folder)>;

// `name` with its letters in upper case, one by one (Unicode's simple
// mapping, as the upper-case tables of exFAT and NTFS): what two names of a
// folder that ignores case are compared by. Bytes that are not UTF-8 have
// their ASCII letters changed only. Linux's FAT driver folds only ASCII
// letters in UTF-8 names, so there "É" and "é" are kept apart where they
// need not be; a case-folding ext4 folder also takes "é" and "e" with a
// combining accent for one name, which this misses: a name of that kind
// that another output wrote is refused at the rename (see MoveIntoPlace),
// not written over.
std::string FoldCase(std::string_view name);

} // namespace oq
