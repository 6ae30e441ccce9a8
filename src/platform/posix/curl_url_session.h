#pragma once

#include "platform/url_session.h"

#include <memory>

namespace vorl {

// A URL session over libcurl: one background thread drives every transfer.
std::unique_ptr<UrlSession> createCurlUrlSession();

} // namespace vorl
