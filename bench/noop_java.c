/* A stand-in for the Java executable of a runtime: it ends at once with exit
 * code 0. Built with SLEEP_MILLISECONDS it first sleeps that long, so that the
 * launcher can be watched while it waits for Java. */
#include <time.h>

int main(void) {
#if defined(SLEEP_MILLISECONDS) && SLEEP_MILLISECONDS > 0
  struct timespec pause;
  pause.tv_sec = SLEEP_MILLISECONDS / 1000;
  pause.tv_nsec = (SLEEP_MILLISECONDS % 1000) * 1000000L;
  while (nanosleep(&pause, &pause) != 0) {
  }
#endif
  return 0;
}
