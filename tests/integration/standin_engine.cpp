#include "standin_engine.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace vorl::testing {

void installStandIn(const std::filesystem::path& home) {
    std::string command = "bash '" VORL_SOURCE_DIR "/standin/install.sh' '" + home.string() + "' >/dev/null";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("the stand-in engine could not be installed");
}

bool portAnswers(int port) {
    int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool answers = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return answers;
}

bool processGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    size_t end = text.rfind(')');
    return end == std::string::npos || text.compare(end + 2, 1, "Z") == 0;
}

pid_t loggedPid(const std::string& log, const std::string& event) {
    size_t line = log.find("\"event\": \"" + event + "\"");
    size_t pid = log.find("\"pid\": ", line);
    return line == std::string::npos || pid == std::string::npos ? 0 : std::stoi(log.substr(pid + 7));
}

} // namespace vorl::testing
