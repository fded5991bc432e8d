#include "ogg/RenumberedFile.h"

#include "ogg/LinkSerials.h"
#include "ogg/PageBytes.h"
#include "ogg/PageChecksum.h"
#include "ogg/PageLayout.h"
#include "ogg/PageReader.h"

#include <algorithm>

namespace oq {

namespace {

constexpr int kFieldBytes = 4; // serial numbers and checksums
constexpr std::size_t kMostHeaderBytes = PageLayout::kFixedHeaderBytes + PageLayout::kMostSegments;
// Bytes asked of the file at a time while looking for the next page after
// bytes that are no page.
constexpr std::size_t kSearchBlockBytes = 64 * 1024;

std::uint32_t FieldAt(const unsigned char* bytes, int at)
{
    std::uint32_t value = 0;
    for (int i = kFieldBytes - 1; i >= 0; --i)
        value = value << 8 | bytes[at + i];
    return value;
}

// The bytes of the page whose header `head` (`got` bytes read) begins, as
// its capture pattern and lacing values frame it; 0 when no page header
// begins there.
std::int64_t FramedBytes(const unsigned char* head, std::size_t got)
{
    if (got < static_cast<std::size_t>(PageLayout::kFixedHeaderBytes) ||
        !std::equal(head, head + PageLayout::kCaptureBytes, PageLayout::kCapture))
        return 0;
    const int segments = head[PageLayout::kSegmentCountAt];
    const std::size_t headerBytes = PageLayout::kFixedHeaderBytes + static_cast<std::size_t>(segments);
    if (got < headerBytes)
        return 0;
    std::int64_t bodyBytes = 0;
    for (int i = 0; i < segments; ++i)
        bodyBytes += head[PageLayout::kFixedHeaderBytes + i];
    return static_cast<std::int64_t>(headerBytes) + bodyBytes;
}

// Where the next page that the Ogg library's sync layer takes (its checksum
// right) begins, at or after `from`; `size` when none does.
std::int64_t NextVerifiedPage(File& file, std::int64_t from, std::int64_t size)
{
    file.Seek(from);
    PageReader pages(file);
    std::int64_t at = from;
    ogg_page page;
    for (;;) {
        const long step = ogg_sync_pageseek(pages.Sync(), &page);
        if (step > 0)
            return at;
        if (step < 0) {
            at -= step;
            continue;
        }
        if (pages.ReadBlock(kSearchBlockBytes) == 0)
            return size;
    }
}

// A window of the file's bytes in which page headers are looked at: read
// in large blocks, one after another, so that the system reads ahead of
// the walk as it does for any sequential reading.
class HeaderWindow {
public:
    explicit HeaderWindow(File& file, std::int64_t size) : file_(file), size_(size), bytes_(kBlockBytes) {}

    // The bytes from `at` on, as many as the header of a page can take
    // where the file holds them; `available` receives how many.
    const unsigned char* At(std::int64_t at, std::size_t& available)
    {
        const std::int64_t wanted = std::min<std::int64_t>(static_cast<std::int64_t>(kMostHeaderBytes), size_ - at);
        if (at < start_ || at + wanted > start_ + length_) {
            start_ = at;
            length_ = static_cast<std::int64_t>(file_.ReadAt(at, bytes_.data(), bytes_.size()));
        }
        available = static_cast<std::size_t>(std::min(wanted, start_ + length_ - at));
        return bytes_.data() + (at - start_);
    }

private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    File& file_;
    std::int64_t size_;
    std::vector<unsigned char> bytes_;
    std::int64_t start_ = 0;
    std::int64_t length_ = 0;
};

// Reads the `bytes` of the page at `at` into `whole`; whether they are a
// page whose checksum is right.
bool ReadVerified(File& file, std::int64_t at, std::int64_t bytes, std::vector<unsigned char>& whole)
{
    whole.resize(static_cast<std::size_t>(bytes));
    if (file.ReadAt(at, whole.data(), whole.size()) != whole.size())
        return false;
    const ogg_page page = PageOf(whole);
    return PageChecksum::Matches(page.header, static_cast<std::size_t>(page.header_len), page.body,
                                 static_cast<std::size_t>(page.body_len));
}

// The pages of the file that LinkSerials gives another number, as a join of
// the file's bytes would: each page is framed from its header alone, and
// read whole and verified only where the numbering may change (a stream
// begins or ends, or the page belongs to a renumbered link).
std::vector<RenumberedFile::Page> FindRenumberedPages(File& file)
{
    const std::int64_t size = file.Size();
    HeaderWindow window(file, size);
    LinkSerials serials;
    std::vector<RenumberedFile::Page> renumbered;
    std::vector<unsigned char> whole;
    bool searched = false; // the file's position moved
    std::int64_t at = 0;
    // The last page passed unverified, framed by its header alone: when what
    // follows it is no page, its own length may be what is damaged.
    std::int64_t unverifiedAt = -1;
    std::int64_t unverifiedBytes = 0;
    // Bytes at `at` that the sync layer takes for no page are passed over
    // as it passes over them: it looks for the next page after a page whose
    // checksum is right, and from the start of one whose checksum is wrong.
    const auto passOver = [&] {
        std::int64_t from = at;
        if (unverifiedAt >= 0 && !ReadVerified(file, unverifiedAt, unverifiedBytes, whole))
            from = unverifiedAt;
        unverifiedAt = -1;
        at = std::max(NextVerifiedPage(file, from, size), from + 1);
        searched = true;
    };
    while (at < size) {
        std::size_t got = 0;
        const unsigned char* head = window.At(at, got);
        const std::int64_t pageBytes = FramedBytes(head, got);
        if (pageBytes == 0 || pageBytes > size - at) {
            passOver();
            continue;
        }
        const std::uint32_t serial = FieldAt(head, PageLayout::kSerialAt);
        const bool bounds = (head[PageLayout::kFlagsAt] & (PageLayout::kFirstPage | PageLayout::kLastPage)) != 0;
        if (!bounds && serials.Of(serial) == serial) {
            unverifiedAt = at;
            unverifiedBytes = pageBytes;
            at += pageBytes;
            continue;
        }
        if (!ReadVerified(file, at, pageBytes, whole)) {
            passOver();
            continue;
        }
        unverifiedAt = -1;
        ogg_page page = PageOf(whole);
        serials.Renumber(page);
        const std::uint32_t given = FieldAt(page.header, PageLayout::kSerialAt);
        if (given != serial)
            renumbered.push_back({at, given, FieldAt(page.header, PageLayout::kChecksumAt)});
        at += pageBytes;
    }
    if (searched)
        file.Seek(0);
    return renumbered;
}

// Writes `value`'s bytes that fall among `count` bytes read from `from` on,
// for a field at file offset `at`, least significant byte first.
void PutField(std::int64_t at, std::uint32_t value, std::int64_t from, unsigned char* bytes, std::size_t count)
{
    for (int i = 0; i < kFieldBytes; ++i) {
        const std::int64_t index = at + i - from;
        if (index >= 0 && index < static_cast<std::int64_t>(count))
            bytes[index] = static_cast<unsigned char>(value >> (8 * i));
    }
}

} // namespace

RenumberedFile RenumberedFile::OpenRead(const std::string& path)
{
    File file = File::OpenRead(path);
    std::vector<Page> pages = FindRenumberedPages(file);
    return RenumberedFile(std::move(file), std::move(pages));
}

std::size_t RenumberedFile::Read(void* buffer, std::size_t count)
{
    if (pages_.empty())
        return file_.Read(buffer, count);
    const std::int64_t from = file_.Tell();
    const std::size_t got = file_.Read(buffer, count);
    Patch(from, static_cast<unsigned char*>(buffer), got);
    return got;
}

void RenumberedFile::Patch(std::int64_t from, unsigned char* bytes, std::size_t count) const noexcept
{
    constexpr int kFieldsEnd = PageLayout::kChecksumAt + kFieldBytes;
    static_assert(PageLayout::kSerialAt < PageLayout::kChecksumAt);
    const std::int64_t to = from + static_cast<std::int64_t>(count);
    // The first page whose checksum field ends after `from`.
    auto page = std::lower_bound(pages_.begin(), pages_.end(), from - kFieldsEnd + 1,
                                 [](const Page& renumbered, std::int64_t offset) { return renumbered.Offset < offset; });
    for (; page != pages_.end() && page->Offset + PageLayout::kSerialAt < to; ++page) {
        PutField(page->Offset + PageLayout::kSerialAt, page->Serial, from, bytes, count);
        PutField(page->Offset + PageLayout::kChecksumAt, page->Checksum, from, bytes, count);
    }
}

} // namespace oq
