// A console program that loads no Winsock library: the launcher finds no module name to
// redirect in it. Says so on standard output and exits with 0.
#include <cstdio>

int main() {
  std::puts("nowinsock: no Winsock here");
  return 0;
}
