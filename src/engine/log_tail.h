#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vorl {

// The end of what the last launch wrote to the log: the lines after its last header line (all
// of text when it holds none), at most the last 12 of them and the last 2,000 characters, as
// valid UTF-8 without control characters other than tabs and line feeds. Blank lines at the
// end are left out.
std::string logTail(std::string_view text);

// The same from the end of the log file; nothing when the file cannot be read.
std::optional<std::string> readLogTail(const std::filesystem::path& logFile);

} // namespace vorl
