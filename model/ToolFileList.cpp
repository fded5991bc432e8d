#include "model/ToolFileList.h"

#include "base/PathParts.h"
#include "base/TimeCode.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace oq {

namespace {

constexpr std::int64_t kBytesPerKilobyte = 1000;
constexpr std::int64_t kHundredthsPerSecond = 100;

// Only A to Z are lowered: other bytes, UTF-8 included, compare as they are.
std::string SortKey(const std::string& path)
{
    std::string key = NameOf(path);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

bool KeyLess(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

} // namespace

void ToolFileList::Append(const MPEGData& record)
{
    entries_.push_back(record);
}

void ToolFileList::Delete()
{
    if (selected_ == kNone)
        return;
    entries_.erase(entries_.begin() + selected_);
    selected_ = kNone;
}

void ToolFileList::Clear()
{
    entries_.clear();
    selected_ = kNone;
}

void ToolFileList::Up()
{
    if (!CanUp())
        return;
    std::swap(entries_[static_cast<std::size_t>(selected_)], entries_[static_cast<std::size_t>(selected_ - 1)]);
    --selected_;
}

void ToolFileList::Down()
{
    if (!CanDown())
        return;
    std::swap(entries_[static_cast<std::size_t>(selected_)], entries_[static_cast<std::size_t>(selected_ + 1)]);
    ++selected_;
}

void ToolFileList::SortAtoZ()
{
    Sort(false);
}

void ToolFileList::SortZtoA()
{
    Sort(true);
}

void ToolFileList::Sort(bool descending)
{
    std::stable_sort(entries_.begin(), entries_.end(), [descending](const MPEGData& a, const MPEGData& b) {
        const std::string keyA = SortKey(a.FileName);
        const std::string keyB = SortKey(b.FileName);
        return descending ? KeyLess(keyB, keyA) : KeyLess(keyA, keyB);
    });
}

void ToolFileList::Select(int row)
{
    selected_ = row >= 0 && row < Count() ? row : kNone;
}

std::vector<std::string> ToolFileList::FileNames() const
{
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const MPEGData& entry : entries_)
        names.push_back(entry.FileName);
    return names;
}

std::vector<ToolFileRow> ToolFileList::Rows() const
{
    std::vector<ToolFileRow> rows;
    rows.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const MPEGData& entry = entries_[i];
        rows.push_back({std::to_string(i + 1), NameOf(entry.FileName), entry.BitRate + "kbps", entry.PlayLength,
                        KbText(entry.FileSize / kBytesPerKilobyte)});
    }
    return rows;
}

std::string ToolFileList::TotalFilesText() const
{
    return entries_.empty() ? std::string("None") : std::to_string(entries_.size());
}

std::string ToolFileList::TotalLengthText() const
{
    std::int64_t seconds = 0;
    for (const MPEGData& entry : entries_)
        seconds += static_cast<std::int64_t>(std::nearbyint(entry.TimeTotal)); // ties to even
    return ShortTime(FormatTimeCode(static_cast<std::int32_t>(seconds * kHundredthsPerSecond)));
}

std::string ToolFileList::TotalSizeText() const
{
    // 64-bit: a join of large files passes 2 GB without turning negative.
    std::int64_t bytes = 0;
    for (const MPEGData& entry : entries_)
        bytes += entry.FileSize;
    return KbText(bytes / kBytesPerKilobyte);
}

} // namespace oq
