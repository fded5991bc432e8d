#include "tools/FollowingLinks.h"

#include "base/Error.h"
#include "media/CodecChoice.h"
#include "ogg/PageBytes.h"

namespace oq {

namespace {

// Far more than the headers of any link take (a setup header is some
// kilobytes): a link whose headers do not end within it is left out.
constexpr std::size_t kMostHeldBytes = 16 * 1024 * 1024;

} // namespace

void FollowingLinks::BeginLink()
{
    // Whatever of the previous link is still held never became whole.
    held_.clear();
    heldBytes_ = 0;
    stream_.reset();
    codec_.reset();
    state_ = State::Checking;
}

void FollowingLinks::Add(std::vector<unsigned char> bytes)
{
    ogg_page page = PageOf(bytes);
    const bool begins = ogg_page_bos(&page) != 0;
    // A link begins with its streams' first pages, one after another.
    if (begins && !inBeginnings_)
        BeginLink();
    inBeginnings_ = begins;
    if (state_ == State::Copying)
        ready_.push_back(std::move(bytes));
    if (state_ != State::Checking)
        return;

    Check(page, begins);
    heldBytes_ += bytes.size();
    held_.push_back(std::move(bytes));
    if (state_ == State::Copying) {
        for (auto& held : held_)
            ready_.push_back(std::move(held));
        held_.clear();
    } else if (state_ == State::Skipping || heldBytes_ > kMostHeldBytes) {
        state_ = State::Skipping;
        held_.clear();
    }
}

void FollowingLinks::Check(ogg_page& page, bool begins)
{
    try {
        if (!stream_) {
            // The link's audio stream is the first one whose beginning page
            // holds the first header of a known codec.
            if (!begins) {
                state_ = State::Skipping;
                return;
            }
            auto probe = std::make_unique<OggStreamState>(ogg_page_serialno(&page));
            ogg_packet first;
            if (ogg_stream_pagein(probe->get(), &page) != 0 || ogg_stream_packetout(probe->get(), &first) != 1)
                return;
            if (auto codec = ChooseStreamCodec(first, sourceName_)) {
                codec->AddHeader(first);
                codec_ = std::move(codec);
                stream_ = std::move(probe);
            }
            return;
        }
        if (ogg_page_serialno(&page) != stream_->Serial())
            return;
        if (ogg_stream_pagein(stream_->get(), &page) != 0) {
            state_ = State::Skipping;
            return;
        }
        ogg_packet packet;
        while (!codec_->HeadersComplete()) {
            const int result = ogg_stream_packetout(stream_->get(), &packet);
            if (result == 0)
                return;
            if (result < 0) {
                state_ = State::Skipping; // data is missing among the headers
                return;
            }
            codec_->AddHeader(packet);
        }
        state_ = State::Copying;
    } catch (const FormatError&) {
        state_ = State::Skipping;
    }
}

bool FollowingLinks::Take(std::vector<unsigned char>& page)
{
    if (ready_.empty())
        return false;
    page = std::move(ready_.front());
    ready_.pop_front();
    ogg_page view = PageOf(page);
    serials_.Renumber(view);
    return true;
}

} // namespace oq
