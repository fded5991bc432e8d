#include "tools/CommentCopy.h"

#include "base/Error.h"
#include "base/File.h"
#include "codec/CommentHeader.h"
#include "codec/StreamCodec.h"
#include "media/LinkHeaderReader.h"
#include "ogg/OggSyncState.h"
#include "ogg/PageBuilder.h"
#include "ogg/PageChecksum.h"
#include "ogg/PageLayout.h"

#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace oq {

namespace {

constexpr std::size_t kReadBytes = 64 * 1024;

using PageBytes = std::vector<unsigned char>;

PageBytes BytesOf(const ogg_page& page)
{
    PageBytes bytes(page.header, page.header + page.header_len);
    bytes.insert(bytes.end(), page.body, page.body + page.body_len);
    return bytes;
}

std::size_t HeaderBytes(const unsigned char* page)
{
    return PageLayout::kFixedHeaderBytes + page[PageLayout::kSegmentCountAt];
}

constexpr int kPageNumberBytes = 4; // least significant first

std::uint32_t PageNumberOf(const PageBytes& page)
{
    std::uint32_t number = 0;
    for (int i = kPageNumberBytes - 1; i >= 0; --i)
        number = number << 8 | page[PageLayout::kPageNumberAt + i];
    return number;
}

// Gives a whole page the page number `number` and the checksum that goes
// with it.
void Renumber(PageBytes& page, std::uint32_t number)
{
    for (int i = 0; i < kPageNumberBytes; ++i)
        page[PageLayout::kPageNumberAt + i] = static_cast<unsigned char>(number >> (8 * i));
    const std::size_t header = HeaderBytes(page.data());
    PageChecksum::Set(page.data(), header, page.data() + header, page.size() - header);
}

// Whether a stream's first page holds its first packet and nothing more:
// one packet ends on it, with its last lacing value.
bool HoldsOnePacket(const ogg_page& page)
{
    const int segments = page.header[PageLayout::kSegmentCountAt];
    return ogg_page_packets(&page) == 1 &&
           page.header[PageLayout::kFixedHeaderBytes + segments - 1] < PageLayout::kFullSegment;
}

// Copies the pages of one Ogg file, link by link, replacing each link's
// audio stream's header pages. A link's pages are held from its first page
// that begins no stream until its audio headers are complete; they then go
// out with the new header pages where the old ones began.
class CommentCopier {
public:
    CommentCopier(const std::string& source, const CommentRewrite& rewrite, File& output)
        : source_(source), rewrite_(rewrite), output_(output)
    {
    }

    void TakePage(ogg_page& page)
    {
        const bool beginning = ogg_page_bos(&page) != 0;
        if (!reader_ || (beginning && sawOtherPage_))
            BeginLink();
        const auto serial = static_cast<std::uint32_t>(ogg_page_serialno(&page));
        if (headersDone_) {
            if (serial == audioSerial_ && pageShift_ != 0) {
                PageBytes bytes = BytesOf(page);
                Renumber(bytes, PageNumberOf(bytes) + pageShift_);
                Write(bytes);
            } else {
                WritePage(page);
            }
            return;
        }
        if (beginning) {
            firstPages_[serial] = {static_cast<std::uint32_t>(ogg_page_pageno(&page)), HoldsOnePacket(page)};
            reader_->Take(page);
            WritePage(page);
            return;
        }
        sawOtherPage_ = true;
        held_.push_back({BytesOf(page), serial});
        reader_->Take(page);
        if (reader_->Complete())
            ReplaceHeaders();
    }

    // Bytes that are no page: they keep their place among the pages.
    void TakeOther(const unsigned char* bytes, std::size_t count)
    {
        PageBytes other(bytes, bytes + count);
        if (reader_ && !headersDone_)
            held_.push_back({std::move(other), std::nullopt});
        else
            Write(other);
    }

    void Finish()
    {
        if (!reader_)
            BeginLink();
        if (!headersDone_) {
            reader_->Finish();
            ReplaceHeaders();
        }
    }

private:
    struct Held {
        PageBytes Bytes;
        std::optional<std::uint32_t> Serial; // none for bytes that are no page
    };
    struct FirstPage {
        std::uint32_t Number = 0;
        bool OnePacket = false;
    };

    void Write(const PageBytes& bytes) { output_.Write(bytes.data(), bytes.size()); }
    void WritePage(const ogg_page& page)
    {
        output_.Write(page.header, static_cast<std::size_t>(page.header_len));
        output_.Write(page.body, static_cast<std::size_t>(page.body_len));
    }

    void BeginLink()
    {
        if (reader_) {
            if (!headersDone_)
                reader_->Finish(); // raises: the link ended within its headers
            ++link_;
        }
        reader_ = std::make_unique<LinkHeaderReader>(source_);
        firstPages_.clear();
        held_.clear();
        sawOtherPage_ = false;
        headersDone_ = false;
    }

    std::string InLink() const { return "its link " + std::to_string(link_ + 1) + "'s audio stream"; }

    // The audio stream's headers are complete: its held header pages go,
    // and new ones take their place.
    void ReplaceHeaders()
    {
        const std::unique_ptr<StreamCodec> codec = reader_->ReleaseCodec();
        const std::unique_ptr<OggStreamState> stream = reader_->ReleaseStream();
        audioSerial_ = static_cast<std::uint32_t>(stream->Serial());
        const ogg_stream_state* state = stream->get();
        if (state->lacing_fill != state->lacing_returned)
            throw FormatError(source_, "holds audio on the last header page of " + InLink() +
                                           "; its comments cannot be replaced without paging its audio anew");
        const FirstPage first = firstPages_.at(audioSerial_);
        if (!first.OnePacket)
            throw FormatError(source_, "holds more than the first header on the first page of " + InLink() +
                                           "; its comments cannot be replaced there");

        // The new header pages follow the stream's first page, as the old
        // ones did; the audio pages follow the new ones instead of the
        // last old one.
        std::vector<PageBytes> newPages = HeaderPages(*codec);
        std::uint32_t number = first.Number;
        for (PageBytes& page : newPages)
            Renumber(page, ++number);
        std::uint32_t lastHeaderPage = first.Number;
        bool placed = false;
        for (const Held& held : held_) {
            if (held.Serial != audioSerial_) {
                Write(held.Bytes);
                continue;
            }
            lastHeaderPage = PageNumberOf(held.Bytes);
            if (!placed)
                for (const PageBytes& page : newPages)
                    Write(page);
            placed = true;
        }
        pageShift_ = number - lastHeaderPage;
        held_.clear();
        headersDone_ = true;
    }

    // The stream's header pages after its first, paged as a section's
    // headers are: the comment header begins a page and the last header
    // ends one.
    std::vector<PageBytes> HeaderPages(const StreamCodec& codec) const
    {
        const CodecDescriptor& descriptor = codec.Descriptor();
        PageBuilder builder(audioSerial_);
        PageBytes first;
        std::string comments;
        for (int i = 0; i < codec.HeaderCount(); ++i) {
            const ogg_packet packet = codec.Header(i).Packet();
            if (i == descriptor.CommentHeaderIndex) {
                CommentHeader header = CommentHeader::Parse(
                    std::string_view(reinterpret_cast<const char*>(packet.packet), static_cast<std::size_t>(packet.bytes)),
                    descriptor.CommentForm);
                header.Fields = rewrite_(link_, header.Fields);
                comments = header.Serialize(descriptor.CommentForm);
                builder.Add(reinterpret_cast<const unsigned char*>(comments.data()), comments.size(), 0, false);
            } else {
                builder.Add(packet.packet, static_cast<std::size_t>(packet.bytes), 0, false);
            }
            // The first page is the source's own, copied already.
            if (i == 0)
                while (builder.Flush(first)) {
                }
        }
        std::vector<PageBytes> pages;
        for (PageBytes page; builder.Flush(page); page.clear())
            pages.push_back(page);
        return pages;
    }

    const std::string& source_;
    const CommentRewrite& rewrite_;
    File& output_;

    std::size_t link_ = 0;
    std::unique_ptr<LinkHeaderReader> reader_; // of the current link
    bool sawOtherPage_ = false;                // a page that begins no stream
    bool headersDone_ = false;
    std::map<std::uint32_t, FirstPage> firstPages_;
    std::vector<Held> held_;
    std::uint32_t audioSerial_ = 0;
    // Added to the page numbers of the audio stream's pages after its
    // headers, modulo 2^32 as page numbers run.
    std::uint32_t pageShift_ = 0;
};

} // namespace

void CopyWithComments(const std::string& source, const std::string& output, const CommentRewrite& rewrite)
{
    File input = File::OpenRead(source);
    File out = File::Create(output);
    CommentCopier copier(source, rewrite, out);
    OggSyncState sync;
    ogg_sync_state* state = sync.get();
    for (;;) {
        char* buffer = ogg_sync_buffer(state, static_cast<long>(kReadBytes));
        const std::size_t count = input.Read(buffer, kReadBytes);
        ogg_sync_wrote(state, static_cast<long>(count));
        for (;;) {
            const unsigned char* next = state->data + state->returned;
            ogg_page page;
            const long found = ogg_sync_pageseek(state, &page);
            if (found == 0)
                break;
            if (found < 0)
                copier.TakeOther(next, static_cast<std::size_t>(-found));
            else
                copier.TakePage(page);
        }
        if (count == 0)
            break;
    }
    // A torn last page goes out as it is.
    if (state->fill > state->returned)
        copier.TakeOther(state->data + state->returned, static_cast<std::size_t>(state->fill - state->returned));
    copier.Finish();
    out.Close();
}

} // namespace oq
