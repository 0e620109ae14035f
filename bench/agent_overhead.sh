#!/usr/bin/env bash
# What the agent costs per Winsock call under Wine: 64-byte UDP and TCP round trips (wsloop),
# timed inside the program, as ratios to the untraced call, beside the goal where there is one.
# The loop runs built 32-bit (build/win32) and 64-bit (build/win64), each traced by the agent of
# its width; every table has a row (or a table of requests) per width, the 32-bit one reported
# skipped where this machine cannot run 32-bit programs.
# One run measures, each best of three: untraced; the launcher's copy with every call's flag off;
# the copy traced (all 46 calls, whole data) into the report channel, once with a reader that
# takes the entries without making records of them (the agent's cost alone) and once with a
# monitor receiving (its time-limited receive pass on the writers' wake-ups and its poll, on the
# same CPUs); the same monitor receiving datagrams, as a monitor does that did not ask for the
# channel; Wine's own Winsock debug channel; strace on the network calls, plain and with its
# seccomp filter. First pinned (programs and wineserver on one CPU), then unpinned. Wine's debug
# output goes to /dev/null. Then a burst of 10,000 traced calls with the monitor receiving (what
# arrived, the longest receive pass, how many reports waited for room in the agent's queue), a
# mostly idle program (wsidle: a call every 200 ms) with the time from each call to its record
# in the monitor (meant to be within 100 ms), and the native time of a full-page repaint. Every run has 5 minutes; one that takes longer is
# reported and the benchmark stops.
# Then, pinned, the same round trips made with WSASend and WSARecv (wsloop2, through KL2_32.dll
# or KL2_64.dll) beside wsloop's, each traced (agent alone) as a ratio to its own untraced run:
# the Winsock 2 agent's ratio is meant to lie within 10 % of the Winsock 1.1 agent's.
# Beside the pinned ratios, the wineserver requests per call, by kind, on each side: the program
# (wsloop, then wsloop2, or its traced copy) and the reader (agent_bench), untraced, flags off,
# agent alone and monitor receiving, for 200 UDP and 200 TCP round trips; tracing should add at
# most 0.2 a call on either side. The server's own trace
# (WINEDEBUG=+server, into a file) names the thread of every request; the thread is mapped to its
# process by the replies that create threads and processes. A run of one round trip is counted
# the same way and taken off, so that start and exit do not weigh in.
#   bench/agent_overhead.sh [round trips per protocol, default 2000]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
quarnet_top=$top
# shellcheck source=../scripts/wine-env
. "$top/scripts/wine-env"
rounds=${1:-2000}
builds=(win64)
[ "$QUARNET_BOTH_WIDTHS" = 1 ] && builds=(win32 win64)
"$top/scripts/build" "${builds[@]}" >/dev/null
traces=$(mktemp -d)
trap 'quarnet_stop_wine; rm -rf "$traces"' EXIT
quarnet_start_xvfb
quarnet_init_prefix

# The loop's widths. use_width sets `bin`, the build's programs, and the Wine loader that runs
# them; it fails where this machine cannot run the width's programs, whose rows say so instead.
widths=(32 64)
use_width() {
  if [ "$1" = 32 ]; then
    [ "$QUARNET_BOTH_WIDTHS" = 1 ] || return 1
    bin=$top/build/win32/bin QUARNET_WINE=/usr/lib/wine/wine
  else
    bin=$top/build/win64/bin QUARNET_WINE=/usr/lib/wine/wine64
  fi
}
skipped="skipped (no 32-bit Wine)"
# Opens a table's row of a width: sets the width up and starts a fresh wineserver under the pin
# command given after it; where this machine cannot run the width it prints the row's "skipped"
# instead and fails.
begin_row() {
  local width=$1
  shift
  use_width "$width" || { printf "%-8s %s\n" "$width-bit" "$skipped"; return 1; }
  wineserver -k 2>/dev/null || true
  "$@" wineserver -p
}

# Mean microseconds per call ("all") of the best of three runs of a command. Its standard error
# goes to a file, not /dev/null: Wine writes no debug output at all to /dev/null, which would
# make the debug channel's run measure nothing.
best_of_three() {
  local best="" us errors
  errors=$(mktemp)
  for _ in 1 2 3; do
    us=$(timeout 300 "$@" 2>"$errors" | awk '/^udp /{print $6; exit}') || true
    : >"$errors"
    [ -n "$us" ] || { rm -f "$errors"; echo "failed or timed out: $*" >&2; return 1; }
    if [ -z "$best" ] || awk -v a="$us" -v b="$best" 'BEGIN{exit !(a < b)}'; then best=$us; fi
  done
  rm -f "$errors"
  echo "$best"
}

# The loop's row of each width: us/call untraced, then ratios to it; the bursts below the table.
measure() {
  local title=$1 pin=("${@:2}") width bursts=() idles=()
  local untraced off unread on datagrams debug strace_plain strace_seccomp burst idle
  echo "== $title ($rounds UDP and $rounds TCP round trips, 4 calls each)"
  awk 'BEGIN {
    f = "%-8s %9s %9s %9s %9s %9s %9s %9s %9s %12s\n"
    printf f, "", "untraced", "agent,", "traced:", "traced:", "traced:", "Wine", "strace", "strace",
           "plain strace"
    printf f, "", "us/call", "flags off", "alone", "receiving", "datagrams", "+winsock", "",
           "seccomp", "/ alone, recv"
    printf "%-8s %9s %9s %9s %9s\n", "goal", "", "1.02", "1.15", "1.30"
  }'
  for width in "${widths[@]}"; do
    begin_row "$width" "${pin[@]}" || continue
    untraced=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/wsloop.exe" "$rounds")
    off=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" off "$rounds")
    unread=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" unread "$rounds")
    on=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" on "$rounds")
    datagrams=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" datagrams \
                  "$rounds")
    debug=$(WINEDEBUG=+winsock best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/wsloop.exe" \
              "$rounds")
    strace_plain=$(best_of_three "${pin[@]}" strace -f -e trace=network -o /dev/null \
                     "$QUARNET_WINE" "$bin/wsloop.exe" "$rounds")
    strace_seccomp=$(best_of_three "${pin[@]}" strace -f --seccomp-bpf -e trace=network \
                       -o /dev/null "$QUARNET_WINE" "$bin/wsloop.exe" "$rounds")
    awk -v w="$width-bit" -v u="$untraced" -v off="$off" -v un="$unread" -v on="$on" \
        -v dg="$datagrams" -v d="$debug" -v s="$strace_plain" -v sc="$strace_seccomp" 'BEGIN {
      printf "%-8s %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f %5.2f, %5.2f\n", w, u, off / u,
             un / u, on / u, dg / u, d / u, s / u, sc / u, s / un, s / on
    }'
    burst=$(timeout 300 "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" burst 10000 2>/dev/null |
              tail -1) || burst="failed or timed out"
    bursts+=("$width-bit: $burst")
    idle=$(timeout 120 "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" idle 20 2>/dev/null |
             tail -1) || idle="failed or timed out"
    idles+=("$width-bit: $idle")
    wineserver -k 2>/dev/null || true
  done
  for burst in "${bursts[@]}"; do echo "burst of 10000 calls, monitor receiving, $burst"; done
  for idle in "${idles[@]}"; do
    echo "a call every 200 ms, monitor receiving (goal: within 100 ms), $idle"
  done
}

# Runs a program with the wineserver's request trace going to a file; its output goes to a second.
#   server_traced <trace file> <output file> <pin command...> -- <program and arguments...>
server_traced() {
  local trace=$1 output=$2 pin=()
  shift 2
  while [ "$1" != -- ]; do pin+=("$1"); shift; done
  shift
  wineserver -k 2>/dev/null || true
  wineserver -w
  "${pin[@]}" wineserver -p 2>"$trace"
  # (Wine turns its debug output off, the request trace included, when standard error is /dev/null.)
  WINEDEBUG=+server timeout 300 "${pin[@]}" "$QUARNET_WINE" "$@" >"$output" 2>"$trace.stderr" ||
    echo "failed or timed out: $*" >&2
  wineserver -k 2>/dev/null || true
}

# Counts a request trace's requests as "<side> <kind> <count>" lines. The first process is the
# program that was started; `program` names the process of the Winsock loop (its image's file
# name, or "first"), `reader` the reader's ("first" or "none"). Every other process is "other".
count_by_side() {
  awk -v program="$2" -v reader="$3" '
    function count(tid, kind) {
      if (tid in pid) n[pid[tid] SUBSEP kind]++; else n["?" SUBSEP kind]++
    }
    !/^[0-9a-f]+: [a-z_0-9]+\(/ { next }
    {
      tid = substr($1, 1, length($1) - 1)
      kind = substr($2, 1, index($2, "(") - 1)
    }
    $2 ~ /\($/ {  # a request
      if (kind == "new_process" && match($0, /imagepath=L"[^"]*"/)) {
        image[tid] = substr($0, RSTART + 12, RLENGTH - 13)
        sub(/.*\\/, "", image[tid])
      }
      if (kind == "new_thread") own[tid] = $0 ~ /process=ffffffff/
      if (kind == "init_first_thread") pending[tid] = 1; else count(tid, kind)
      next
    }
    match($0, /[{ ]pid=[0-9a-f]+/) && kind == "new_process" {
      name[substr($0, RSTART + 5, RLENGTH - 5)] = image[tid]
    }
    match($0, /[{ ]tid=[0-9a-f]+/) && kind == "new_thread" && own[tid] && (tid in pid) {
      pid[substr($0, RSTART + 5, RLENGTH - 5)] = pid[tid]
    }
    kind == "init_first_thread" && match($0, /pid=[0-9a-f]+/) {
      pid[tid] = substr($0, RSTART + 4, RLENGTH - 4)
      if (first == "") first = pid[tid]
      if (pending[tid]) { count(tid, kind); delete pending[tid] }
    }
    END {
      for (key in n) {
        split(key, k, SUBSEP)
        p = k[1]
        side = "other"
        if (program == "first" ? p == first : name[p] == program) side = "program"
        else if (reader == "first" && p == first) side = "reader"
        print side, k[2], n[key]
      }
    }' "$1"
}

# Wineserver requests per call by kind and side: each case run with 200 round trips per protocol
# and with one, the difference divided by the calls between them.
#   requests <loop: wsloop or wsloop2> <pin command...>
requests() {
  local loop=$1 pin=("${@:2}") case program reader n run args
  local -a cases=("untraced $loop.exe first none" "off agent_bench.exe off $loop.tmp first"
                  "unread agent_bench.exe unread $loop.tmp first"
                  "on agent_bench.exe on $loop.tmp first")
  for case in "${cases[@]}"; do
    read -r -a run <<<"$case"
    program=${run[-2]} reader=${run[-1]}
    for n in 200 1; do
      args=("${run[@]:2:${#run[@]}-4}" "$n")
      [ "${run[1]}" = agent_bench.exe ] && args+=("$loop")
      server_traced "$traces/trace" "$traces/${run[0]}.$n.out" "${pin[@]}" -- \
        "$bin/${run[1]}" "${args[@]}"
      count_by_side "$traces/trace" "$program" "$reader" |
        awk -v c="${run[0]}" -v n="$n" '{print c, $1, $2, n == 1 ? -$3 : $3}'
    done
  done >"$traces/counts"
  rm -f "$traces/trace" "$traces/trace.stderr"
  echo "== wineserver requests per call of $loop, $width-bit (WINEDEBUG=+server, 200 UDP and 200"
  echo "   TCP round trips; program: the Winsock loop, reader: agent_bench; kinds of 0.05 or more"
  echo "   anywhere)"
  awk -v calls=$((8 * 199)) '
    $2 != "other" { col = $1 "/" $2; n[col, $3] += $4; n[col, "all"] += $4; kinds[$3] = 1 }
    END {
      ncols = split("untraced/program off/program unread/program unread/reader " \
                    "on/program on/reader", cols, " ")
      printf "%-26s %9s %9s %19s %19s\n", "", "untraced", "flags off", "agent alone",
             "monitor receiving"
      printf "%-26s %9s %9s %9s %9s %9s %9s\n", "", "program", "program", "program", "reader",
             "program", "reader"
      row("all")
      printf "%-26s %9s", "added by tracing", "-"
      for (i = 2; i <= ncols; ++i) {
        v = n[cols[i], "all"] - (cols[i] ~ /program/ ? n[cols[1], "all"] : 0)
        printf " %9.2f", per_call(v)
      }
      printf "\n"
      for (k in kinds) {
        top = 0
        for (i = 1; i <= ncols; ++i) if (n[cols[i], k] / calls >= 0.05) top = 1
        if (top) shown[k] = 1
        else for (i = 1; i <= ncols; ++i) n[cols[i], "other kinds"] += n[cols[i], k]
      }
      m = 0
      for (k in shown) order[++m] = k
      # most requests with the monitor receiving first
      for (i = 1; i <= m; ++i) {
        for (j = i + 1; j <= m; ++j) {
          if (busy(order[j]) > busy(order[i])) { t = order[i]; order[i] = order[j]; order[j] = t }
        }
      }
      for (i = 1; i <= m; ++i) row(order[i])
      row("other kinds")
    }
    function per_call(v) { v /= calls; return v < 0.005 && v > -0.005 ? 0 : v }
    function busy(k) { return n["on/program", k] + n["on/reader", k] }
    function row(k,   i) {
      printf "%-26s", k
      for (i = 1; i <= ncols; ++i) printf " %9.2f", per_call(n[cols[i], k])
      printf "\n"
    }' "$traces/counts"
  local unread on
  unread=$(grep -o 'reports [0-9]*' "$traces/unread.200.out" || echo "reports ?")
  on=$(grep -o 'reports [0-9]*' "$traces/on.200.out" || echo "reports ?")
  echo "reports read: agent alone ${unread#reports }, monitor receiving ${on#reports }" \
    "($((8 * 200)) loop calls and the setup's)"
}

# The Winsock 2 loop beside the 1.1 loop, in one run: a row per width.
winsock2_loop() {
  local pin=("$@") width u1 t1 u2 t2
  echo "== Winsock 2 loop beside the 1.1 loop (traced: agent alone; us/call)"
  awk 'BEGIN {
    f = "%-8s %9s %9s %7s %9s %9s %7s %14s\n"
    printf "%-8s %27s %27s %14s\n", "", "wsloop (1.1: sendto, recv)", "wsloop2 (WSASend, WSARecv)",
           "Winsock 2 /"
    printf f, "", "untraced", "traced", "ratio", "untraced", "traced", "ratio", "1.1 ratio"
    printf f, "goal", "", "", "", "", "", "", "0.90 to 1.10"
  }'
  for width in "${widths[@]}"; do
    begin_row "$width" "${pin[@]}" || continue
    u1=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/wsloop.exe" "$rounds")
    t1=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" unread "$rounds")
    u2=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/wsloop2.exe" "$rounds")
    t2=$(best_of_three "${pin[@]}" "$QUARNET_WINE" "$bin/agent_bench.exe" unread "$rounds" wsloop2)
    wineserver -k 2>/dev/null || true
    awk -v w="$width-bit" -v u1="$u1" -v t1="$t1" -v u2="$u2" -v t2="$t2" 'BEGIN {
      printf "%-8s %9.2f %9.2f %7.2f %9.2f %9.2f %7.2f %14.2f\n", w, u1, t1, t1 / u1, u2, t2,
             t2 / u2, (t2 / u2) / (t1 / u1)
    }'
  done
}

measure "pinned to CPU 0" taskset -c 0
winsock2_loop taskset -c 0
for loop in wsloop wsloop2; do
  for width in "${widths[@]}"; do
    if use_width "$width"; then
      requests "$loop" taskset -c 0
    else
      echo "== wineserver requests per call of $loop, $width-bit: $skipped"
    fi
  done
done
measure "unpinned" env

"$top/scripts/build" native >/dev/null
"$top/build/native/bench/repaint_bench" 2>/dev/null | awk '/^BM_/{print "full-page repaint, native:", $2, $3}'
