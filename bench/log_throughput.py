"""The throughput of an engine that writes as fast as it can: straight to a file, and through
the guard into the log it keeps within its bound, as the app launches engines."""

import os
import socket
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1024 * 1024
LOG_LIMIT = 10 * MIB
# Lines of 100 bytes: printed one by one, as an engine logs, or written a mebibyte at a time,
# which only the pipe and the disk hold up.
WRITERS = {
    "printed lines": "line = 'x' * 99\nfor _ in range(%d):\n    print(line)\n",
    "1 MiB writes": "import os\nchunk = (b'x' * 99 + b'\\n') * (%d // %d)\n"
                    "for _ in range(%d):\n    os.write(1, chunk)\n",
}


def writer_argv(kind, mebibytes):
    lines = mebibytes * MIB // 100
    if kind == "printed lines":
        return [sys.executable, "-c", WRITERS[kind] % lines]
    return [sys.executable, "-c", WRITERS[kind] % (lines, mebibytes, mebibytes)]


def straight_to_file(folder, kind, mebibytes):
    with open(os.path.join(folder, "direct.log"), "wb") as out:
        started = time.monotonic()
        subprocess.run(writer_argv(kind, mebibytes), stdout=out, check=True)
        return time.monotonic() - started


def hear(channel, word):
    heard = b""
    while not heard.endswith(b"\n"):
        chunk = channel.recv(1)
        if not chunk:
            raise RuntimeError("the guard closed its channel before saying " + word)
        heard += chunk
    if heard != word.encode() + b"\n":
        raise RuntimeError("the guard said %r, not %s" % (heard, word))


def through_guard(guard, folder, kind, mebibytes):
    """Seconds from the writer's start until all it wrote is in the log."""
    log = os.path.join(folder, "motor.log")
    application, guard_end = socket.socketpair()
    read_end, write_end = os.pipe()
    # As the app starts it: the channel as standard input, the output's pipe as descriptor 3.
    starter = os.posix_spawn(guard, [guard, log, str(LOG_LIMIT)], {},
                             file_actions=[(os.POSIX_SPAWN_DUP2, guard_end.fileno(), 0),
                                           (os.POSIX_SPAWN_DUP2, read_end, 3)])
    os.waitpid(starter, 0)
    guard_end.close()
    os.close(read_end)
    hear(application, "ready")
    started = time.monotonic()
    writer = subprocess.Popen(writer_argv(kind, mebibytes), stdout=write_end, start_new_session=True)
    os.close(write_end)
    application.sendall(b"group %d\n" % writer.pid)
    hear(application, "watching")
    writer.wait()
    application.sendall(b"flush\n")
    hear(application, "flushed")
    elapsed = time.monotonic() - started
    application.close()
    for name in (log, log + ".1"):
        if os.path.getsize(name) > LOG_LIMIT:
            raise RuntimeError("%s passed its bound" % name)
    return elapsed


def measure(guard, kind, mebibytes, runs):
    """Median MiB/s straight to a file and through the guard, interleaved."""
    direct, guarded = [], []
    for _ in range(runs):
        with tempfile.TemporaryDirectory(prefix="vorl bench log ") as folder:
            direct.append(mebibytes / straight_to_file(folder, kind, mebibytes))
            guarded.append(mebibytes / through_guard(guard, folder, kind, mebibytes))
    return statistics.median(direct), statistics.median(guarded)


def print_throughput(guard, mebibytes=200, runs=3):
    for kind in WRITERS:
        direct, guarded = measure(guard, kind, mebibytes, runs)
        print(f"engine output, {mebibytes} MiB of {kind} as fast as it writes them (median of {runs}): straight to "
              f"a file {direct:.0f} MiB/s, through the guard into the log bounded to 10 MiB {guarded:.0f} MiB/s "
              f"(ratio {guarded / direct:.2f})")


if __name__ == "__main__":
    print_throughput(sys.argv[1])
