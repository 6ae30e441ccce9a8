#pragma once

#include "platform/process.h"
#include "platform/values.h"

#include <filesystem>
#include <string>

namespace vorl {

// "=== start 2026-12-08 01:45:53 +0000 (app) ===\n": the line each launch adds to the log.
std::string logHeaderLine(Date now);

// Opens the log for appending, creating it and its folder when missing, and appends the
// header line. Empty when the log cannot be opened; then no header is written.
FileDescriptor openEngineLog(const std::filesystem::path& logFile, Date now);

} // namespace vorl
