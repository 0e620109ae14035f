# Sourced by the runs that trace wsdemo: wsdemo_compare SPY ACTUAL [QNTDUMP...] writes the
# trace's verbose text, as the given reader (by default $qntdump) prints it, to ACTUAL and
# compares it with wsdemo-expected.txt beside this file.
wsdemo_compare() {
  local spy=$1 actual=$2
  shift 2
  [ $# -gt 0 ] || set -- "$qntdump"
  # Socket handle values differ from run to run, and the receive buffer's size from machine to
  # machine; wsdemo's ports and data do not.
  "$@" --no-time --verbose "$spy" |
    sed -E -e 's/SOCKET=[0-9]+/SOCKET=#/g' -e 's/SO_RCVBUF=-?[0-9]+/SO_RCVBUF=#/g' >"$actual"
  # When wsdemo or the decoding changed on purpose, check the differences shown and copy the
  # new text over tests/e2e/wsdemo-expected.txt.
  diff -u "$(dirname "${BASH_SOURCE[0]}")/wsdemo-expected.txt" "$actual"
}
