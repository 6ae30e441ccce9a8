// vorl-motorvakt: ends an engine's process group when the application that launched it lets go
// of it or is gone, however it ended, and carries the engine's output into its log meanwhile.
// The application starts it as "vorl-motorvakt [<log file> <limit in bytes>]" with its end of a
// socket pair, which only the application holds otherwise, as standard input, and with a log,
// the read end of the pipe that carries the engine's output as GUARD_OUTPUT_DESCRIPTOR. Their
// exchange is in guard_protocol.h. To end the group the guard sends SIGTERM, unless the
// application already did, gives the group a grace period, and then sends SIGKILL to whatever
// is left of it. It writes the output until the group has ended and its pipe is closed.

#define _GNU_SOURCE // F_SETPIPE_SZ
#include "bounded_log.h"
#include "guard_protocol.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

enum { CHANNEL = STDIN_FILENO, STEP_MS = 100, IDLE_MS = 1000 };

static struct bounded_log log_file;
static int output = -1; // the engine's output, until its pipe is closed

static int tell(const char* line) {
    size_t length = strlen(line);
    return send(CHANNEL, line, length, MSG_NOSIGNAL) == (ssize_t)length;
}

// Writes what one read of the output gives; 0 once the pipe is closed, or holds nothing now.
static int carry_output(void) {
    static char chunk[262144];
    ssize_t got = read(output, chunk, sizeof chunk);
    if (got > 0) {
        bounded_log_write(&log_file, chunk, (size_t)got);
        return 1;
    }
    if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
        close(output);
        output = -1;
    }
    return got < 0 && errno == EINTR;
}

// Waits up to timeout_ms for the channel (when asked) or the output; carries the output.
// 1 when the channel is readable, 0 otherwise.
static int wait_for(int channel, int timeout_ms) {
    struct pollfd ready[2] = {{channel, POLLIN, 0}, {output, POLLIN, 0}};
    if (poll(ready, 2, timeout_ms) <= 0)
        return 0;
    if (ready[1].revents)
        carry_output();
    return ready[0].revents != 0;
}

// One line from the application, without its line feed, carrying the output meanwhile; 0 at
// the end of the channel, or for a line too long to be one of the application's.
static int hear(char* line, size_t size) {
    size_t used = 0;
    for (;;) {
        if (!wait_for(CHANNEL, -1))
            continue;
        char byte;
        ssize_t got = read(CHANNEL, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || used + 1 == size)
            return 0;
        if (byte == '\n') {
            line[used] = '\0';
            return 1;
        }
        line[used++] = byte;
    }
}

// The group named by "group <id>"; 0 for anything else. Groups 0 and 1 would reach this
// guard's own group or every process it may signal.
static pid_t groupIn(const char* line) {
    if (strncmp(line, GUARD_GROUP, strlen(GUARD_GROUP)) != 0)
        return 0;
    const char* digits = line + strlen(GUARD_GROUP);
    char* end;
    errno = 0;
    long group = strtol(digits, &end, 10);
    if (errno != 0 || end == digits || *end != '\0' || *digits < '0' || *digits > '9' || group <= 1 ||
        (pid_t)group != group)
        return 0;
    return (pid_t)group;
}

// Whether the process of this /proc entry is in the group and has not ended; -1 when its entry
// cannot be read.
static int runsInGroup(const char* pid, pid_t group) {
    char path[64], stat[512];
    snprintf(path, sizeof path, "/proc/%s/stat", pid);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ssize_t got = read(fd, stat, sizeof stat - 1);
    close(fd);
    if (got <= 0)
        return -1;
    stat[got] = '\0';
    // "<pid> (<name>) <state> <parent> <group> ...": the name may hold anything, parentheses too.
    const char* afterName = strrchr(stat, ')');
    char state;
    long parent, itsGroup;
    if (!afterName || sscanf(afterName + 1, " %c %ld %ld", &state, &parent, &itsGroup) != 3)
        return -1;
    return itsGroup == group && state != 'Z' && state != 'X';
}

// Whether a process of the group still runs. The engine, the group's leader, stays a zombie
// until the application reaps it, which it does only once told the group is gone: its id, which
// names the group, cannot be taken by another process meanwhile.
static int groupRuns(pid_t group) {
    if (kill(-group, 0) != 0 && errno != EPERM)
        return 0;
    DIR* processes = opendir("/proc");
    if (!processes)
        return 1; // the zombie cannot be told from the living: the grace period runs out
    int runs = 0;
    for (struct dirent* entry; !runs && (entry = readdir(processes));)
        runs = entry->d_name[0] >= '1' && entry->d_name[0] <= '9' && runsInGroup(entry->d_name, group) == 1;
    closedir(processes);
    return runs;
}

static long long now_ms(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// What the output holds now, read until it would wait.
static void flush_output(void) {
    while (output >= 0 && carry_output()) {
    }
}

// The rest of the output, once its writers are gone: until its pipe is closed, or until it has
// been silent for a while (a process that left the group may hold it open).
static void drain_output(void) {
    while (output >= 0) {
        struct pollfd ready = {output, POLLIN, 0};
        if (poll(&ready, 1, IDLE_MS) <= 0)
            return;
        carry_output();
    }
}

static void endGroup(pid_t group, int terminated) {
    if (!terminated && groupRuns(group))
        kill(-group, SIGTERM);
    long long deadline = now_ms() + GUARD_GRACE_MILLISECONDS;
    while (groupRuns(group) && now_ms() < deadline)
        wait_for(-1, STEP_MS);
    if (groupRuns(group))
        kill(-group, SIGKILL);
}

// A word of the application's, as it comes through hear(): without its line feed.
static int is(const char* line, const char* word) {
    return strncmp(line, word, strlen(word) - 1) == 0 && line[strlen(word) - 1] == '\0';
}

int main(int argc, char** argv) {
    // The application reaps the process it started at once; the guard goes on in its child.
    pid_t guard = fork();
    if (guard < 0)
        return 1;
    if (guard > 0)
        return 0;
    if (argc == 3 && bounded_log_init(&log_file, argv[1], strtoull(argv[2], NULL, 10)) == 0) {
        output = GUARD_OUTPUT_DESCRIPTOR;
        fcntl(output, F_SETFL, fcntl(output, F_GETFL) | O_NONBLOCK);
        // A larger pipe lets a loud engine write on while the guard writes the log.
        fcntl(output, F_SETPIPE_SZ, 1 << 20);
    }
    if (!tell(GUARD_READY))
        return 1;

    char line[64];
    pid_t group = 0;
    if (hear(line, sizeof line)) {
        group = groupIn(line);
        if (group == 0)
            return 1;
        // Unheard, the application ends the group itself; heard or not, the group is this guard's.
        tell(GUARD_WATCHING);
    }
    int terminated = 0, released = 0;
    while (group != 0 && !released && hear(line, sizeof line)) {
        if (is(line, GUARD_TERMINATED)) {
            terminated = 1;
        } else if (is(line, GUARD_FLUSH)) {
            flush_output();
            tell(GUARD_FLUSHED);
        } else if (is(line, GUARD_END)) {
            released = 1;
        }
    }
    if (group != 0) {
        endGroup(group, terminated);
        if (released)
            tell(GUARD_GONE);
    }
    drain_output();
    bounded_log_close(&log_file);
    return 0;
}
