#!/usr/bin/env bash
# What the agent costs per Winsock call under Wine: 64-byte UDP and TCP round trips (wsloop),
# timed inside the program, as ratios to the untraced call. One run measures, each best of
# three: untraced; the launcher's copy with every call's flag off; the copy traced (all 46
# calls, whole data), once with the monitor reading only after the run (the agent's cost
# alone) and once with a monitor receiving meanwhile (the monitor's capture socket and its
# time-limited receive pass on the window's notifications, on the same CPUs); Wine's own Winsock debug channel; strace on the network calls, plain and with its
# seccomp filter. First pinned (programs and wineserver on one CPU), then unpinned. Wine's debug
# output goes to /dev/null. Then a burst of 10,000 traced calls with the monitor receiving (what
# arrived, the longest receive pass, how many reports waited for room in the agent's queue), and
# the native time of a full-page repaint. Every run has 5 minutes; one that takes longer is
# reported and the benchmark stops.
#   bench/agent_overhead.sh [round trips per protocol, default 2000]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
quarnet_top=$top
# shellcheck source=../scripts/wine-env
. "$top/scripts/wine-env"
rounds=${1:-2000}
"$top/scripts/build" "$QUARNET_WINDOWS_BUILD" >/dev/null
bin=$top/build/$QUARNET_WINDOWS_BUILD/bin
trap quarnet_stop_wine EXIT
quarnet_start_xvfb
quarnet_init_prefix

# Mean microseconds per call ("all") of the best of three runs of a command.
best_of_three() {
  local best="" us
  for _ in 1 2 3; do
    us=$(timeout 300 "$@" 2>/dev/null | awk '/^udp /{print $6; exit}') || true
    [ -n "$us" ] || { echo "failed or timed out: $*" >&2; return 1; }
    if [ -z "$best" ] || awk -v a="$us" -v b="$best" 'BEGIN{exit !(a < b)}'; then best=$us; fi
  done
  echo "$best"
}

measure() {
  local title=$1 pin=("${@:2}")
  wineserver -k 2>/dev/null || true
  "${pin[@]}" wineserver -p
  local untraced off unread on debug strace_plain strace_seccomp
  untraced=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/wsloop.exe" "$rounds")
  off=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" off "$rounds")
  unread=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" unread "$rounds")
  on=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" on "$rounds")
  debug=$(WINEDEBUG=+winsock best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/wsloop.exe" "$rounds")
  strace_plain=$(best_of_three "${pin[@]}" strace -f -e trace=network -o /dev/null \
                   "$QUARNET_WINE" "$bin/wsloop.exe" "$rounds")
  strace_seccomp=$(best_of_three "${pin[@]}" strace -f --seccomp-bpf -e trace=network \
                     -o /dev/null "$QUARNET_WINE" "$bin/wsloop.exe" "$rounds")
  echo "== $title ($rounds UDP and $rounds TCP round trips, 4 calls each)"
  awk -v u="$untraced" -v off="$off" -v un="$unread" -v on="$on" -v d="$debug" -v s="$strace_plain" \
      -v sc="$strace_seccomp" 'BEGIN {
    printf "%-34s %9s %7s\n", "", "us/call", "ratio"
    printf "%-34s %9.2f %7.2f\n", "untraced", u, 1
    printf "%-34s %9.2f %7.2f\n", "agent, flags off", off, off / u
    printf "%-34s %9.2f %7.2f\n", "agent, traced (agent alone)", un, un / u
    printf "%-34s %9.2f %7.2f\n", "agent, traced, monitor receiving", on, on / u
    printf "%-34s %9.2f %7.2f\n", "Wine debug channel +winsock", d, d / u
    printf "%-34s %9.2f %7.2f\n", "strace -f -e trace=network", s, s / u
    printf "%-34s %9.2f %7.2f\n", "strace --seccomp-bpf", sc, sc / u
    printf "%-34s %9.2f\n", "plain strace / traced, agent alone", s / un
    printf "%-34s %9.2f\n", "plain strace / traced, receiving", s / on
  }'
  local burst
  burst=$(timeout 300 "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" burst 10000 2>/dev/null |
            tail -1) || burst="failed or timed out"
  echo "burst of 10000 calls, monitor receiving: $burst"
  wineserver -k 2>/dev/null || true
}

measure "pinned to CPU 0" taskset -c 0
measure "unpinned" env

"$top/scripts/build" native >/dev/null
"$top/build/native/bench/repaint_bench" 2>/dev/null | awk '/^BM_/{print "full-page repaint, native:", $2, $3}'
