#include "event_log.h"

namespace vorl::fake {

void EventLog::add(std::string event) {
    std::lock_guard lock(mutex);
    entries.push_back(std::move(event));
}

std::vector<std::string> EventLog::events() const {
    std::lock_guard lock(mutex);
    return entries;
}

long EventLog::indexOf(const std::string& prefix) const {
    std::lock_guard lock(mutex);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].starts_with(prefix))
            return static_cast<long>(i);
    }
    return -1;
}

long EventLog::count(const std::string& prefix) const {
    std::lock_guard lock(mutex);
    long matches = 0;
    for (const auto& entry : entries)
        matches += entry.starts_with(prefix) ? 1 : 0;
    return matches;
}

} // namespace vorl::fake
