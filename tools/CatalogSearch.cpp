#include "tools/CatalogSearch.h"

#include "base/Error.h"
#include "base/JobControl.h"
#include "base/JobObserver.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace oq {

namespace {

constexpr std::string_view kEveryName = "*.*";

char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Names in order of their case-folded letters; names that differ only in
// case keep a fixed order among themselves.
bool NameBefore(const std::string& a, const std::string& b)
{
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Fold(x) == Fold(y); });
    if (mismatch.first != a.end() && mismatch.second != b.end())
        return static_cast<unsigned char>(Fold(*mismatch.first)) < static_cast<unsigned char>(Fold(*mismatch.second));
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

struct Entry {
    std::string name;
    bool regularFile = false;
    bool folder = false;
    int statusError = 0; // errno of a kind that cannot be told, or 0
};

using FolderId = std::pair<dev_t, ino_t>;

class Search {
public:
    Search(std::string filter, bool includeSubFolders, const JobControl& control, JobObserver& observer,
           std::vector<std::string>& unreadable)
        : filter_(std::move(filter)), subFolders_(includeSubFolders), control_(control), observer_(observer),
          unreadable_(unreadable)
    {
    }

    void Folder(const std::string& path, bool required)
    {
        std::vector<Entry> entries;
        const int error = List(path, entries);
        if (error != 0) {
            const IoError failure(path, "cannot list the folder", error);
            if (required)
                throw failure;
            unreadable_.push_back(failure.what());
            return;
        }
        const std::string prefix = path.ends_with('/') ? path : path + "/";
        for (const Entry& entry : entries) {
            if (!MatchesFileFilter(entry.name, filter_))
                continue;
            if (entry.statusError != 0)
                unreadable_.push_back(IoError(prefix + entry.name, "cannot open", entry.statusError).what());
            if (!entry.regularFile)
                continue;
            if (control_.CheckPoint())
                return;
            found_.push_back(prefix + entry.name);
            observer_.CurrentFile(entry.name);
            observer_.TotalText(std::to_string(found_.size()));
        }
        if (!subFolders_)
            return;
        for (const Entry& entry : entries) {
            if (!entry.folder)
                continue;
            if (control_.CheckPoint())
                return;
            Folder(prefix + entry.name, false);
        }
    }

    std::vector<std::string> Found() && { return std::move(found_); }

private:
    // Reads a folder's entries in name order; returns the errno value of a
    // failure, or 0. A folder already searched yields no entries.
    int List(const std::string& path, std::vector<Entry>& entries)
    {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0)
            return errno;
        if (!visited_.insert({info.st_dev, info.st_ino}).second)
            return 0;
        std::error_code error;
        std::filesystem::directory_iterator it(path, error);
        for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            std::error_code typeError;
            // Links are followed: a linked file or folder counts as what it
            // points at; the visited set stops link loops.
            const auto status = it->status(typeError);
            entries.push_back({it->path().filename().string(), std::filesystem::is_regular_file(status),
                               std::filesystem::is_directory(status), typeError.value()});
        }
        if (error)
            return error.value();
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return NameBefore(a.name, b.name); });
        return 0;
    }

    std::string filter_;
    bool subFolders_;
    const JobControl& control_;
    JobObserver& observer_;
    std::vector<std::string>& unreadable_;
    std::set<FolderId> visited_;
    std::vector<std::string> found_;
};

// Whether `name` matches one pattern of a filter.
bool MatchesPattern(const std::string& name, std::string_view filter)
{
    if (filter == kEveryName)
        return true;
    // Wildcard matching that remembers the last '*' and lets it absorb one
    // more character whenever the rest fails to match.
    std::size_t n = 0, f = 0;
    std::size_t starFilter = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (f < filter.size() && filter[f] == '*') {
            starFilter = f++;
            starName = n;
        } else if (f < filter.size() && (filter[f] == '?' || Fold(filter[f]) == Fold(name[n]))) {
            ++n;
            ++f;
        } else if (starFilter != std::string::npos) {
            f = starFilter + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (f < filter.size() && filter[f] == '*')
        ++f;
    return f == filter.size();
}

} // namespace

bool MatchesFileFilter(const std::string& name, const std::string& filter)
{
    constexpr char kSeparator = ';';
    std::string_view rest = filter;
    for (;;) {
        const std::size_t end = rest.find(kSeparator);
        if (MatchesPattern(name, rest.substr(0, end)))
            return true;
        if (end == std::string_view::npos)
            return false;
        rest.remove_prefix(end + 1);
    }
}

std::vector<std::string> CollectCatalogFiles(const std::string& directory, const std::string& filter,
                                             bool includeSubFolders, const JobControl& control,
                                             JobObserver& observer, std::vector<std::string>& unreadable)
{
    Search search(filter, includeSubFolders, control, observer, unreadable);
    search.Folder(directory, true);
    return std::move(search).Found();
}

} // namespace oq

