// The reference of bench/idle.sh: the main loop's pacing alone, as the
// platform's clock sleeps (1 ms with a timer slack of 1 ms), with nothing
// else in the loop. Its CPU time is what any waiting program pays on this
// machine for waking up about every millisecond. Runs until it is killed.
#define _GNU_SOURCE
#include <errno.h>
#include <sys/prctl.h>
#include <time.h>

int main(void) {
  prctl(PR_SET_TIMERSLACK, 1000000UL, 0, 0, 0);
  for (;;) {
    struct timespec req = {0, 1000000L};
    while (nanosleep(&req, &req) == -1 && errno == EINTR) {
    }
  }
}
