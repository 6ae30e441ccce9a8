#pragma once

#include "platform/values.h"
#include "platform/web_view.h"

#include <filesystem>
#include <string>
#include <vector>

// Files dragged from the desktop onto the tool's pages: what the page is told of them, and how.

namespace vorl {

// Where the page sees a point of the view: in its own pixels, which the page's zoom scales.
Point clientPoint(Point inView, double pageZoom);

// What the page's drag events are made of (page_drops.js): the phase ("enter", "over",
// "leave"), the point in the page's pixels and how many files come.
ScriptArguments dragEventArguments(const std::string& phase, Point client, std::size_t count);

// The accepted type under which a drop's files are handed over to the page, new for each drop
// and not to be guessed: "application/x-vorl-drop-" and 32 random hexadecimal digits.
std::string handOverToken();

// Whether an accepted type is of the kind a hand-over's token is, whichever drop it names.
bool isHandOverType(const std::string& acceptedType);

} // namespace vorl
