# Sourced by the runs that trace wsdemo or wsdemo2: wsdemo_compare DEMO SPY ACTUAL [QNTDUMP...]
# writes the trace's text, as the given reader (by default $qntdump) prints it, to ACTUAL and
# compares it with DEMO-expected.txt beside this file. wsdemo's text is its Verbose lines;
# wsdemo2's is its Brief lines and then its Verbose ones.
wsdemo_compare() {
  local demo=$1 spy=$2 actual=$3 view
  shift 3
  [ $# -gt 0 ] || set -- "$qntdump"
  local views=(--verbose) align=(cat)
  if [ "$demo" = wsdemo2 ]; then
    # Its address, host and list lines are aligned again under the '.' of the first line's
    # SOCKADDR, HOSTENT ... as it reads once masked: the widths of the masked values vary.
    # (wsdemo's text keeps the columns its three-digit handles gave.)
    views=(--brief --verbose)
    align=(awk '
      /^\[[0-9]+\] / {
        column = match($0, /(SOCKADDR|HOSTENT|ADDRINFO|FD_SET|WSAPOLLFD)\./) ? RSTART + RLENGTH - 2 : 0
      }
      /^ +\./ && column { sub(/^ +/, ""); $0 = sprintf("%" column "s", "") $0 }
      { print }')
  fi
  # What differs from run to run: socket handles (also in fd_sets and WSAPOLLFD), the pointers
  # and handles the program passed, the ports the system chose (wsdemo's and wsdemo2's own are
  # below 10000) and the process an inherited socket is for; and from machine to machine: the
  # receive buffer's size, the host's name and the aliases the hosts file gives localhost.
  # The demos' own ports and data do not.
  for view in "${views[@]}"; do
    "$@" --no-time "$view" "$spy"
  done | sed -E -e 's/SOCKET=[0-9]+/SOCKET=#/g' -e 's/SO_RCVBUF=-?[0-9]+/SO_RCVBUF=#/g' \
    -e 's/([.]fd=)[0-9]+/\1#/g' -e 's/\{[0-9][0-9, .]*\}/{#}/g' \
    -e 's/(res|ai|info|overlapped|hEventObject|hWnd|condition|data|routine|caller|callee|sqos|gqos)=0x[0-9A-F]+/\1=0x#/g' \
    -e 's/\.port=[1-9][0-9]{4}/.port=#/g' -e 's/process=[0-9]+/process=#/g' \
    -e 's/^(\[[0-9]+\] gethostname \(namelen=[0-9]+, name=)[^ )]+/\1#/' \
    -e 's/\.h_aliases=.*/.h_aliases=#/' | "${align[@]}" >"$actual"
  # When a demo or the decoding changed on purpose, check the differences shown and copy the
  # new text over tests/e2e/DEMO-expected.txt.
  diff -u "$(dirname "${BASH_SOURCE[0]}")/$demo-expected.txt" "$actual"
}

# wsdemo2_compare RUN LOG SPY ACTUAL: wsdemo_compare of wsdemo2's trace where its log says it made
# every call; where it left parts out (::1 missing), as the log names them, its text is not the
# expected one, and RUN says so instead.
wsdemo2_compare() {
  local run=$1 log=$2 skipped
  shift 2
  skipped=$(grep -o '"skipped":"[^"]*"' "$log" | cut -d'"' -f4 | xargs)
  if [ -n "$skipped" ]; then
    echo "$run: skipped: wsdemo2's expected text (wsdemo2 left out: $skipped)"
    return 0
  fi
  wsdemo_compare wsdemo2 "$@"
}
