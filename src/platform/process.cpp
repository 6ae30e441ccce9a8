#include "process.h"

#include <unistd.h>

namespace vorl {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd >= 0)
            ::close(fd);
        fd = std::exchange(other.fd, -1);
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (fd >= 0)
        ::close(fd);
}

} // namespace vorl
