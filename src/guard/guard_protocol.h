// What the engine's guard and the application's launcher both know of each other: the guard's
// name, the descriptor the engine's output reaches it on, its grace period, and the words of
// their channel, one line each:
//   guard: "ready"        it runs, detached from the application, which need not reap it
//   app:   "group <id>"   the engine's process group
//   guard: "watching"     it has the group
//   app:   "terminated"   the application has sent the group SIGTERM itself
//   app:   "flush"        the engine has ended: what its output holds now goes into the log,
//   guard: "flushed"      after which the guard says so
//   app:   "end"          the application lets go of the engine: the guard ends its group,
//   guard: "gone"         the group has had its last signal from the guard, which never signals
//                         it again: the application may now reap the engine, whose id names
//                         the group
// At the end of the channel the guard ends the group too, unheard.
#ifndef VORL_GUARD_PROTOCOL_H
#define VORL_GUARD_PROTOCOL_H

#define GUARD_PROGRAM "vorl-motorvakt"

#define GUARD_READY "ready\n"
#define GUARD_GROUP "group "
#define GUARD_WATCHING "watching\n"
#define GUARD_TERMINATED "terminated\n"
#define GUARD_FLUSH "flush\n"
#define GUARD_FLUSHED "flushed\n"
#define GUARD_END "end\n"
#define GUARD_GONE "gone\n"

enum {
    GUARD_OUTPUT_DESCRIPTOR = 3, // the read end of the pipe that carries the engine's output
    // Between SIGTERM to the group and SIGKILL to whatever is left of it.
    GUARD_GRACE_MILLISECONDS = 10000,
};

#endif
