/* A stand-in for the Java executable of a runtime: it ends at once with exit
 * code 0. Built with SLEEP_MILLISECONDS it first sleeps that long, so that the
 * launcher can be watched while it waits for Java. */
#if defined(SLEEP_MILLISECONDS) && SLEEP_MILLISECONDS > 0
#include <poll.h>
#endif

int main(void) {
#if defined(SLEEP_MILLISECONDS) && SLEEP_MILLISECONDS > 0
  poll(0, 0, SLEEP_MILLISECONDS); /* no descriptors: only the time-out */
#endif
  return 0;
}
