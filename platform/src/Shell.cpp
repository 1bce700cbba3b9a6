// Shell "open": xdg-open (or $ZLV_OPEN_COMMAND) started detached through a double fork, so
// no child is left for us to reap. Success means the program was started.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "Internal.h"
#include "zlvplatform.h"

extern "C" bool zlvShellOpen(const char16_t* target) {
  std::u16string_view t = zlv::detail::view(target);
  if (t.empty()) return false;
  // Everything the children need is prepared here: after fork only async-signal-safe calls.
  const char* override = std::getenv("ZLV_OPEN_COMMAND");
  std::string program = override && *override ? override : "xdg-open";
  std::string argument = zlv::detail::utf8(t);
  char* argv[] = {program.data(), argument.data(), nullptr};
  int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  int report[2];
  if (devnull < 0) return false;
  if (pipe2(report, O_CLOEXEC) != 0) {
    ::close(devnull);
    return false;
  }
  pid_t child = fork();
  if (child == 0) {
    setsid();
    ::close(report[0]);
    pid_t grandchild = fork();
    if (grandchild == 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
      execvp(argv[0], argv);
      int error = errno;
      (void)!::write(report[1], &error, sizeof error);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  ::close(report[1]);
  ::close(devnull);
  bool started = false;
  if (child > 0) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes without data once exec succeeded (close-on-exec) or the child died.
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    started = WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
  }
  ::close(report[0]);
  return started;
}
