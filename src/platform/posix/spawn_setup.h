#pragma once

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

namespace vorl {

// posix_spawn's attribute and file-action objects, freed however the launch ends. The child
// starts with every signal at its default and none blocked, whatever the application's own
// handlers are, and leads a process group of its own. error holds the first failure of any
// step added here.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    int error = 0;

    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        check(posix_spawnattr_setsigdefault(&attributes, &all));
        check(posix_spawnattr_setsigmask(&attributes, &none));
        check(posix_spawnattr_setpgroup(&attributes, 0));
        check(posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                                        POSIX_SPAWN_SETPGROUP));
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    void check(int result) {
        if (error == 0)
            error = result;
    }
};

// Waits for the child to end and reaps it, whatever signal interrupts the wait.
inline void reap(pid_t child) {
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace vorl
