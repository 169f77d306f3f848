#include "app/console_child.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace console {

Child StartSelf(const std::vector<std::string>& arguments, const std::string& temp_folder) {
  Child child;
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return child;
  // Everything the child needs is made before the fork: after it, only
  // calls that are safe in a copy of a process.
  std::vector<std::string> words = {"lanvo303"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_text;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "TMPDIR=", 7) != 0) env_text.emplace_back(*e);
  env_text.push_back("TMPDIR=" + temp_folder);
  std::vector<char*> envp;
  for (std::string& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    return child;
  }
  if (pid == 0) {
    int null_fd = ::open("/dev/null", O_RDONLY);
    if (null_fd < 0 || ::dup2(null_fd, STDIN_FILENO) < 0 || ::dup2(pipe_fds[1], STDOUT_FILENO) < 0 ||
        ::dup2(pipe_fds[1], STDERR_FILENO) < 0)
      ::_exit(127);
    ::execve("/proc/self/exe", argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(pipe_fds[1]);
  ::fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
  child.pid = pid;
  child.output = pipe_fds[0];
  return child;
}

bool ReadSome(Child& child, std::string* text) {
  if (child.output < 0) return false;
  char buffer[8192];
  for (;;) {
    ssize_t n = ::read(child.output, buffer, sizeof buffer);
    if (n > 0) {
      text->append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    ::close(child.output);
    child.output = -1;
    return false;
  }
}

int WaitFor(Child& child) {
  if (child.pid < 0) return 127;
  int status = 0;
  while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  child.pid = -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 127;
}

int RunToEnd(Child child, std::string* output) {
  while (child.output >= 0) {
    struct pollfd p = {child.output, POLLIN, 0};
    ::poll(&p, 1, -1);
    ReadSome(child, output);
  }
  return WaitFor(child);
}

}  // namespace console
