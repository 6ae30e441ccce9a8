// vorl-motorvakt: ends an engine's process group when the application that launched it is gone,
// however it ended. The application starts it with one descriptor, standard input: its end of a
// socket pair whose other end only the application holds. The exchange, one line each:
//   guard: "ready"            it runs, detached from the application, which need not reap it
//   app:   "group <id>"       the engine's process group
//   guard: "watching"         it has the group
//   app:   "terminated"       the application has sent the group SIGTERM itself (at quit)
// At the end of the channel the guard sends SIGTERM, unless the application already did, gives
// the group a grace period, and then sends SIGKILL to whatever is left of it.

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

enum { CHANNEL = STDIN_FILENO, GRACE_TENTHS = 100 };

static int tell(const char* line) {
    size_t length = strlen(line);
    return send(CHANNEL, line, length, MSG_NOSIGNAL) == (ssize_t)length;
}

// One line from the application, without its line feed; 0 at the end of the channel, or for a
// line too long to be one of the application's.
static int hear(char* line, size_t size) {
    size_t used = 0;
    for (;;) {
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
    const char* prefix = "group ";
    if (strncmp(line, prefix, strlen(prefix)) != 0)
        return 0;
    const char* digits = line + strlen(prefix);
    char* end;
    errno = 0;
    long group = strtol(digits, &end, 10);
    if (errno != 0 || end == digits || *end != '\0' || *digits < '0' || *digits > '9' || group <= 1 ||
        (pid_t)group != group)
        return 0;
    return (pid_t)group;
}

// Whether a process of the group is still there; once none is, its id may name another group.
static int groupExists(pid_t group) {
    return kill(-group, 0) == 0 || errno == EPERM;
}

static void endGroup(pid_t group, int terminated) {
    if (!terminated && groupExists(group))
        kill(-group, SIGTERM);
    const struct timespec tenth = {0, 100000000};
    for (int waited = 0; waited < GRACE_TENTHS && groupExists(group); ++waited)
        nanosleep(&tenth, NULL);
    if (groupExists(group))
        kill(-group, SIGKILL);
}

int main(void) {
    // The application reaps the process it started at once; the guard goes on in its child.
    pid_t guard = fork();
    if (guard < 0)
        return 1;
    if (guard > 0)
        return 0;
    if (!tell("ready\n"))
        return 1;

    char line[64];
    if (!hear(line, sizeof line))
        return 0;
    pid_t group = groupIn(line);
    if (group == 0)
        return 1;
    // Unheard, the application ends the group itself; heard or not, the group is this guard's.
    tell("watching\n");
    int terminated = 0;
    while (hear(line, sizeof line))
        if (strcmp(line, "terminated") == 0)
            terminated = 1;
    endGroup(group, terminated);
    return 0;
}
