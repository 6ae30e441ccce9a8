#include "bounded_log.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int bounded_log_init(struct bounded_log* log, const char* path, unsigned long long limit) {
    log->fd = -1;
    log->limit = limit;
    if (limit == 0 || snprintf(log->path, sizeof log->path, "%s", path) >= (int)sizeof log->path ||
        snprintf(log->rotated, sizeof log->rotated, "%s.1", path) >= (int)sizeof log->rotated)
        return -1;
    return 0;
}

static void open_file(struct bounded_log* log) {
    log->fd = open(log->path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

// Whether the open file is still the one at the path: another launch's guard, writing the same
// log, may have moved it aside.
static int is_current(const struct bounded_log* log) {
    struct stat open_one, named_one;
    return fstat(log->fd, &open_one) == 0 && stat(log->path, &named_one) == 0 &&
           open_one.st_dev == named_one.st_dev && open_one.st_ino == named_one.st_ino;
}

static void write_all(int fd, const char* data, size_t length) {
    while (length > 0) {
        ssize_t written = write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        length -= (size_t)written;
    }
}

// Starts an empty file at the path; -1 when nothing can be written any more.
static int rotate(struct bounded_log* log) {
    if (rename(log->path, log->rotated) == 0) {
        close(log->fd);
        open_file(log);
        return 0;
    }
    if (ftruncate(log->fd, 0) == 0)
        return 0;
    close(log->fd);
    log->fd = -1;
    return -1;
}

// The bytes of data up to its last line feed within room; 0 when none is there.
static size_t whole_lines(const char* data, size_t room) {
    for (size_t end = room; end > 0; --end)
        if (data[end - 1] == '\n')
            return end;
    return 0;
}

void bounded_log_write(struct bounded_log* log, const char* data, size_t length) {
    while (length > 0) {
        if (log->fd >= 0 && !is_current(log)) {
            close(log->fd);
            log->fd = -1;
        }
        if (log->fd < 0)
            open_file(log);
        struct stat file;
        if (log->fd < 0 || fstat(log->fd, &file) != 0)
            return;
        unsigned long long size = (unsigned long long)file.st_size;
        unsigned long long room = log->limit > size ? log->limit - size : 0;
        if (length <= room) {
            write_all(log->fd, data, length);
            return;
        }
        size_t part = whole_lines(data, (size_t)room);
        if (part == 0 && size == 0)
            part = (size_t)room; // one line longer than a whole file
        write_all(log->fd, data, part);
        data += part;
        length -= part;
        if (rotate(log) != 0)
            return;
    }
}

void bounded_log_close(struct bounded_log* log) {
    if (log->fd >= 0)
        close(log->fd);
    log->fd = -1;
}
