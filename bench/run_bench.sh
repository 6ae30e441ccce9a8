#!/usr/bin/env bash
# Builds the application and the floor window, then runs the benchmark in a private network
# namespace with only loopback up, so that nothing else answers on the engine's port.
# Usage: run_bench.sh <build folder> [startup_bench.py options, e.g. --runs 3]
set -euo pipefail
if [[ $# -lt 1 ]]; then
    echo "usage: $0 <build folder> [--runs N]" >&2
    exit 2
fi
build="$(cd -- "$1" && pwd)"
shift
bench="$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)"
export DRAG_SOURCE="$build/tests/vorl_drag_source"

cmake --build "$build" --target vorl-vorudi vorl-motorvakt vorl_bench_floor vorl_drag_source -j"$(nproc)"

# The start-up figures, the sound figures, the decoding figures, then the drop figures.
exec unshare -n bash -c 'ip link set lo up && python3 -B "$0/startup_bench.py" "$@" &&
    python3 -B "$0/audio_bench.py" "${@:1:3}" && python3 -B "$0/decode_bench.py" "${@:1:3}" &&
    python3 -B "$0/drop_bench.py" "$1" "$3" "$DRAG_SOURCE"' "$bench" \
    "$build/src/vorl-vorudi" "$build/bench/vorl_bench_floor" "$bench/../standin/install.sh" \
    "$build/libexec/vorl-vorudi/vorl-motorvakt" "$@"
