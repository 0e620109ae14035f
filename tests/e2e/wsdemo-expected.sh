# Sourced by the runs that trace wsdemo: wsdemo_compare SPY ACTUAL writes the trace's verbose
# text to ACTUAL and compares it with wsdemo-expected.txt beside this file.
wsdemo_compare() {
  # Socket handle values differ from run to run, and the receive buffer's size from machine to
  # machine; wsdemo's ports and data do not.
  "$qntdump" --no-time --verbose "$1" |
    sed -E -e 's/SOCKET=[0-9]+/SOCKET=#/g' -e 's/SO_RCVBUF=-?[0-9]+/SO_RCVBUF=#/g' >"$2"
  # When wsdemo or the decoding changed on purpose, check the differences shown and copy the
  # new text over tests/e2e/wsdemo-expected.txt.
  diff -u "$(dirname "${BASH_SOURCE[0]}")/wsdemo-expected.txt" "$2"
}
