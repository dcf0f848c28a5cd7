// peak_memory INPUT PROGRAM [ARGS...]: runs PROGRAM with standard input from
// INPUT and its output thrown away, and prints its peak resident memory in
// bytes and its exit status. A program of its own, small, because a child
// forked from the large test program would count the test program's memory
// as its own peak (Linux keeps the peak across exec).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: peak_memory INPUT PROGRAM [ARGS...]\n", stderr);
    return 64;
  }
  const pid_t child = fork();
  if (child < 0) return 70;
  if (child == 0) {
    const int in = open(argv[1], O_RDONLY);
    const int out = open("/dev/null", O_WRONLY);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) _exit(127);
    execv(argv[2], argv + 2);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  while (wait4(child, &status, 0, &usage) < 0)
    if (errno != EINTR) return 70;
  std::printf("%llu %d\n", static_cast<unsigned long long>(usage.ru_maxrss) * 1024,
              WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  return 0;
}
