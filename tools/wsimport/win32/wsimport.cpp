// Exits with the high byte of htons(0x1234): 0x34 from the system's Winsock library.
#include <winsock.h>

int main() {
  return htons(0x1234) >> 8;
}
