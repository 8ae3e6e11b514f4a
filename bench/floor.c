/* The least a launcher that waits for Java can cost: one extra process that
 * starts the program named by its arguments and waits for it. Nothing is read,
 * searched or composed. */
#include <spawn.h>
#include <stdio.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv) {
  pid_t child;
  int status = 0;
  if (argc < 2) {
    fprintf(stderr, "usage: %s PROGRAM [ARGUMENT...]\n", argv[0]);
    return 2;
  }
  if (posix_spawn(&child, argv[1], NULL, NULL, argv + 1, environ) != 0) return 2;
  if (waitpid(child, &status, 0) < 0) return 2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
