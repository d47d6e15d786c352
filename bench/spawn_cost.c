/* Starts commands as a shell would and tells what each run cost: its wall
 * time, its CPU time and its peak memory (maximum resident set). Several
 * commands are run in turn, one after the other, REPEAT rounds, so that all
 * of them see the same machine load.
 *
 *   spawn_cost REPEAT COMMAND [ARGS...] [-- COMMAND [ARGS...]]...
 *
 * Prints one line per command: median wall ms, median CPU ms (user +
 * system), largest peak memory in KiB, then the command. Standard input and
 * output of the runs are /dev/null.
 *
 * The peak memory of a process that a program starts includes what the
 * starting program had resident at the moment of exec, since the kernel
 * carries the old image's high-water mark into the new one. A Python
 * parent adds its own 10 MiB or more; this launcher is linked statically
 * and allocates nothing, so it adds only its few pages. */
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

enum { kMaxCommands = 8, kMaxRepeat = 1000 };

struct Command {
  char** argv;
  double wall_ms[kMaxRepeat];
  double cpu_ms[kMaxRepeat];
  long peak_kib;
};

static double Now(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

static double Milliseconds(struct timeval time) {
  return time.tv_sec * 1000.0 + time.tv_usec / 1000.0;
}

/* One run of the command; 0 when it ran and ended normally. */
static int RunOnce(struct Command* command, int round) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  double start = Now();
  pid_t child;
  int failed = posix_spawnp(&child, command->argv[0], &actions, NULL, command->argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) {
    fprintf(stderr, "spawn_cost: cannot start %s: %s\n", command->argv[0], strerror(failed));
    return 1;
  }
  int status;
  struct rusage usage;
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) return 1;
  }
  command->wall_ms[round] = Now() - start;
  command->cpu_ms[round] = Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
  if (usage.ru_maxrss > command->peak_kib) command->peak_kib = usage.ru_maxrss;
  if (!WIFEXITED(status)) {
    fprintf(stderr, "spawn_cost: %s did not end normally\n", command->argv[0]);
    return 1;
  }
  return 0;
}

static int CompareDoubles(const void* left, const void* right) {
  double a = *(const double*)left, b = *(const double*)right;
  return (a > b) - (a < b);
}

static double Median(double* values, int count) {
  qsort(values, (size_t)count, sizeof *values, CompareDoubles);
  return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

/* Splits argv at each "--" into commands; returns how many. */
static int ParseCommands(int argc, char** argv, struct Command* commands) {
  int count = 0;
  for (int i = 0; i < argc;) {
    if (count == kMaxCommands) return -1;
    commands[count].argv = &argv[i];
    while (i < argc && strcmp(argv[i], "--") != 0) ++i;
    if (commands[count].argv == &argv[i]) return -1;
    if (i < argc) argv[i++] = NULL;
    ++count;
  }
  return count;
}

static struct Command commands[kMaxCommands];

int main(int argc, char** argv) {
  int repeat = argc > 1 ? atoi(argv[1]) : 0;
  int count = argc > 2 ? ParseCommands(argc - 2, argv + 2, commands) : -1;
  if (repeat < 1 || repeat > kMaxRepeat || count < 1) {
    fprintf(stderr, "usage: spawn_cost REPEAT COMMAND [ARGS...] [-- COMMAND [ARGS...]]...\n");
    return 2;
  }
  for (int round = 0; round < repeat; ++round) {
    for (int i = 0; i < count; ++i) {
      if (RunOnce(&commands[i], round) != 0) return 1;
    }
  }
  for (int i = 0; i < count; ++i) {
    printf("%.3f %.3f %ld", Median(commands[i].wall_ms, repeat), Median(commands[i].cpu_ms, repeat),
           commands[i].peak_kib);
    for (char** word = commands[i].argv; *word != NULL; ++word) printf(" %s", *word);
    printf("\n");
  }
  return 0;
}
