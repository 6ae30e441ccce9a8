#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace vorl::fake {

// What the fakes were asked to do, in order, across all of them: "web.loadHTMLString",
// "session.GET http://127.0.0.1:8765/api/status", "launcher.launch", ...
class EventLog {
public:
    void add(std::string event);
    std::vector<std::string> events() const;
    // The position of the first event that starts with prefix, or -1.
    long indexOf(const std::string& prefix) const;
    long count(const std::string& prefix) const;

private:
    mutable std::mutex mutex;
    std::vector<std::string> entries;
};

} // namespace vorl::fake
