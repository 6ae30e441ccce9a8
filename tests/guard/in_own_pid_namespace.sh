#!/bin/sh
# Runs the command as the first process of a PID namespace of its own, where a signal sent to
# every process reaches nothing but it. Where namespaces are not allowed (not root), runs it as
# it is, and the tests that need one skip.
if unshare --pid --fork --kill-child true 2>/dev/null; then
    exec unshare --pid --fork --kill-child "$@"
fi
exec "$@"
