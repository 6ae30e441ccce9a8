#pragma once

#include "platform/url_session.h"

#include <memory>

namespace vorl {

// A URL session on libsoup 3, the HTTP library WebKit has loaded into the application anyway.
// Every exchange runs on one thread of the session's own, with a main context of its own, so
// that an answer comes while the application's main thread waits for it.
std::unique_ptr<UrlSession> createSoupUrlSession();

} // namespace vorl
