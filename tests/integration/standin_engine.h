#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace vorl::testing {

// Installs the stand-in engine and the built-in page into home.
void installStandIn(const std::filesystem::path& home);

// Whether something accepts connections on 127.0.0.1:port.
bool portAnswers(int port);

// Gone, or a zombie that nobody has reaped yet: either way it runs no more.
bool processGone(pid_t pid);

// The pid the stand-in logged with an event ("start", "helper"); 0 while there is none.
pid_t loggedPid(const std::string& log, const std::string& event);

} // namespace vorl::testing
