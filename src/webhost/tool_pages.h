#pragma once

#include "platform/url.h"

#include <optional>
#include <string>
#include <vector>

namespace vorl {

// Whether page is one of the tool's own pages, which get what the application adds to a page
// (audio files the platform cannot decode, files dropped on the window): the engine's, served
// over http on the engine's port of 127.0.0.1, where the application vets who listens (not
// localhost, which may name ::1, where it does not), or builtInPage, which stands in for it. Not
// the splash, nor any other page.
bool isToolPage(const std::optional<Url>& page, const Url& builtInPage);

// The same pages as the URL patterns of the scripts the application adds to them. WebKit's
// patterns name no port: a page of another port of the loopback address gets the script too,
// and isToolPage keeps it from any use.
std::vector<std::string> toolPagePatterns(const Url& builtInPage);

} // namespace vorl
