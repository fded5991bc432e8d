#include "tools/FollowingLinks.h"

#include "base/Error.h"
#include "media/LinkHeaderReader.h"
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
    headers_ = std::make_unique<LinkHeaderReader>(sourceName_);
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

    Check(page);
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

void FollowingLinks::Check(ogg_page& page)
{
    try {
        headers_->Take(page);
        if (headers_->Complete())
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
