#pragma once

#include "platform/process.h"
#include "platform/result.h"
#include "platform/values.h"

#include <filesystem>
#include <string>

namespace vorl {

// "=== start 2026-12-08 01:45:53 +0000 (app) ===\n": the line each launch adds to the log.
std::string logHeaderLine(Date now);

// Opens the log for appending, creating it and its folder when missing, and appends the
// header line. When the log cannot be opened, nothing is written and the failure says why.
Result<FileDescriptor> openEngineLog(const std::filesystem::path& logFile, Date now);

} // namespace vorl
