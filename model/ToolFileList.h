#pragma once

#include "media/MPEGData.h"

#include <string>
#include <vector>

namespace oq {

// One row of the join and WAV lists as the list view shows it.
struct ToolFileRow {
    std::string No;       // position, from 1
    std::string Filename; // without the folder
    std::string Bitrate;  // "128kbps"
    std::string Length;   // "HH:MM:SS"
    std::string FileSize; // "1,234Kb"
};

// The files of the join or WAV page, in the order they are joined or
// converted, with the row selected in the list. The list lives for the
// program run; the same file may stand in it more than once.
class ToolFileList {
public:
    static constexpr int kNone = -1;
    // A join needs at least this many files.
    static constexpr int kJoinMinimum = 2;

    void Append(const MPEGData& record);
    // Removes the selected entry; the rows below move up. Nothing is selected after.
    void Delete();
    void Clear();
    // Exchanges the selected entry with its neighbour; the selection follows
    // the entry. Nothing happens at the edge of the list.
    void Up();
    void Down();
    // Sorts by the file name without folder in lower case, as unsigned bytes,
    // ascending or descending; equal names keep their order. The selected row
    // stays where it is.
    void SortAtoZ();
    void SortZtoA();
    // `row` from 0, kNone for no selection; out of range selects nothing.
    void Select(int row);

    int Count() const noexcept { return static_cast<int>(entries_.size()); }
    int Selected() const noexcept { return selected_; }
    const std::vector<MPEGData>& Entries() const noexcept { return entries_; }
    std::vector<std::string> FileNames() const;
    std::vector<ToolFileRow> Rows() const;

    bool CanDelete() const noexcept { return selected_ != kNone; }
    bool CanClear() const noexcept { return !entries_.empty(); }
    bool CanUp() const noexcept { return selected_ > 0; }
    bool CanDown() const noexcept { return selected_ != kNone && selected_ + 1 < Count(); }
    bool CanSort() const noexcept { return Count() >= kJoinMinimum; }
    bool JoinReady(const std::string& outputFile) const noexcept
    {
        return Count() >= kJoinMinimum && !outputFile.empty();
    }

    // The join page's totals: "None", "00:00:00" and "0Kb" for an empty list.
    std::string TotalFilesText() const;
    // Each file's play time rounded to whole seconds (ties to even), added up.
    std::string TotalLengthText() const;
    std::string TotalSizeText() const;

private:
    void Sort(bool descending);

    std::vector<MPEGData> entries_;
    int selected_ = kNone;
};

} // namespace oq
