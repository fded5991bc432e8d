#pragma once

#include "base/File.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace oq {

// A file read as a join would have written it: the pages of a link whose
// serial number an earlier link of the file took (two copies of one
// recording put one after the other) carry the number LinkSerials gives
// that link, their checksums made to match; every other byte is the file's
// own. Decoder libraries tell the links of a chain apart by their serial
// numbers only, and read such a file as one link that plays the second
// copy's packets as if they went on the first; through this view they see
// every link, as the section cutter's reader does.
//
// Opening walks the file's page headers once, reading whole pages only
// where a stream begins or ends or a link is renumbered, so a file without
// such a link costs one small read per page; pages whose checksums are
// wrong are passed over as the Ogg library passes over them.
class RenumberedFile {
public:
    // Raises IoError when the file cannot be opened or read.
    static RenumberedFile OpenRead(const std::string& path);

    RenumberedFile() = default;

    const std::string& Path() const noexcept { return file_.Path(); }
    // Whether any page is read under another serial number than its own.
    bool Renumbers() const noexcept { return !pages_.empty(); }

    // As File's: reads, seeks and tells the position in the file.
    std::size_t Read(void* buffer, std::size_t count);
    void Seek(std::int64_t offset, File::Origin origin = File::Origin::Begin) { file_.Seek(offset, origin); }
    std::int64_t Tell() const { return file_.Tell(); }
    void Close() { file_.Close(); }

    // A page as it is read: its offset in the file, the serial number and
    // the checksum its header holds there.
    struct Page {
        std::int64_t Offset = 0;
        std::uint32_t Serial = 0;
        std::uint32_t Checksum = 0;
    };

private:
    RenumberedFile(File file, std::vector<Page> pages) : file_(std::move(file)), pages_(std::move(pages)) {}
    // Gives the renumbered pages' fields among `count` bytes read from `from` on.
    void Patch(std::int64_t from, unsigned char* bytes, std::size_t count) const noexcept;

    File file_;
    std::vector<Page> pages_; // the renumbered pages, in file order
};

} // namespace oq
