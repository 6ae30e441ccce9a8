#pragma once

#include "result.h"
#include "url.h"
#include "values.h"

#include <functional>
#include <optional>
#include <string>

namespace vorl {

struct UrlRequest {
    Url url;
    std::string method = "GET";
    // Bounds the whole exchange, from connecting to the last byte of the body.
    Seconds timeoutInterval = 60.0;
};

// Sends HTTP requests off the main thread. No proxy is used: the session only ever talks to
// the engine on the loopback address.
class UrlSession {
public:
    // The largest body a task keeps; a longer body fails the task like a transport error.
    static constexpr size_t maximumBodySize = 1 << 20;

    // The body that arrived (possibly empty), or the failure of the exchange: refused, timed
    // out, cut off, or longer than maximumBodySize.
    using Completion = std::function<void(Result<std::string> body)>;

    virtual ~UrlSession() = default;

    // Starts the request and returns at once. The completion runs exactly once, on the
    // session's own background thread, never inside this call.
    virtual void dataTask(const UrlRequest& request, Completion completion) = 0;
};

} // namespace vorl
