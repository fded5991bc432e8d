#pragma once

#include <string>
#include <vector>

namespace oq {

class JobControl;
class JobObserver;

// The catalog's usual filter: the names Ogg audio files are given, Vorbis
// and Opus alike.
inline constexpr char kOggAudioFilter[] = "*.ogg;*.oga;*.opus";

// Whether a file name matches a search filter: one pattern or several
// separated by ';', of which any may match. In a pattern '*' stands for any
// run of characters, '?' for one, letters match regardless of case ("*.Ogg"
// finds a.ogg and B.OGG), and "*.*" matches every name, with or without a
// dot.
bool MatchesFileFilter(const std::string& name, const std::string& filter);

// The regular files under `directory` whose names match `filter`, for the
// catalog: first the files of the folder itself, then, with
// `includeSubFolders`, each sub-folder's files and sub-folders, depth-first.
// Every folder's entries are taken in name order (letters regardless of
// case), so the catalog does not depend on the file system's order. Folders
// and other non-regular entries (pipes, devices) are never listed; a folder
// reached twice through links is searched once. The observer sees each file
// found and the count so far. Pause is honoured for every file found and
// every sub-folder; a cancel stops the search and returns what was found.
// Raises IoError when `directory` itself cannot be listed. A sub-folder that
// cannot be listed, and an entry matching the filter whose kind cannot be
// told (a link to nowhere), are passed over and told in `unreadable`, each
// as a message naming it and the reason.
std::vector<std::string> CollectCatalogFiles(const std::string& directory, const std::string& filter,
                                             bool includeSubFolders, const JobControl& control,
                                             JobObserver& observer, std::vector<std::string>& unreadable);

} // namespace oq
