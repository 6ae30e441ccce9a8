#include "tool_pages.h"

#include "base/places.h"

namespace vorl {

bool isToolPage(const std::optional<Url>& page, const Url& builtInPage) {
    if (!page)
        return false;
    if (page->isFileUrl())
        return page->filePath() == builtInPage.filePath();
    return page->scheme() == "http" && page->host() == "127.0.0.1" && page->port() == PORT;
}

std::vector<std::string> toolPagePatterns(const Url& builtInPage) {
    return {"http://127.0.0.1/*", builtInPage.string()};
}

} // namespace vorl
