// The engine's log file, kept within a size: when the next output would take the file past its
// limit, the lines that still fit go in, the file becomes "<file>.1" (replacing an older one)
// and a new file takes the rest. A line longer than the limit is split. Where the file cannot
// be renamed it starts again empty, so that the limit holds whatever happens.
#ifndef VORL_BOUNDED_LOG_H
#define VORL_BOUNDED_LOG_H

#include <limits.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

struct bounded_log {
    char path[PATH_MAX];
    char rotated[PATH_MAX];
    unsigned long long limit;
    int fd; // -1 while the file cannot be opened
};

// 0, or -1 when the path is too long or the limit is 0. Opens nothing yet.
int bounded_log_init(struct bounded_log* log, const char* path, unsigned long long limit);
// Appends data. Output that cannot be written (the file cannot be opened, the disk is full) is
// dropped: the writer is never held up.
void bounded_log_write(struct bounded_log* log, const char* data, size_t length);
void bounded_log_close(struct bounded_log* log);

#ifdef __cplusplus
}
#endif

#endif
