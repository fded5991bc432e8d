#include "model/MarkerTitles.h"

namespace oq {

void MarkerTitles::Add(std::int32_t position, const std::string& title)
{
    if (!title.empty())
        titles_.emplace(position, title);
}

std::string MarkerTitles::TitleAt(std::int32_t position, const std::string& otherwise) const
{
    const auto found = titles_.find(position);
    return found != titles_.end() ? found->second : otherwise;
}

} // namespace oq
