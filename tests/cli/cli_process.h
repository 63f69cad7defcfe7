// The program itself as a child process, for the tests that stop, kill or
// time a run: its standard output goes to a file; a child still running when
// the object ends is killed and reaped, so no test leaves one behind.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace tolvane::cli::testing {

class CliProcess {
 public:
  // Starts tolvane-cli with `arguments`, its standard output into `out_file`
  // and, when given, its standard error into `err_file`.
  CliProcess(const std::vector<std::string>& arguments, const std::string& out_file,
             const std::string& err_file = {}) {
    std::vector<std::string> all = {TOLVANE_CLI_PROGRAM};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!err_file.empty()) {
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_file.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~CliProcess() {
    if (running()) {
      ::kill(pid_, SIGKILL);
      wait();
    }
  }
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // True until the child has ended and been reaped.
  bool running() {
    if (pid_ <= 0 || ended_) return false;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return !ended_;
  }
  // The wait status once the child has ended.
  int wait() {
    while (pid_ > 0 && !ended_) {
      if (::waitpid(pid_, &status_, 0) == pid_ || errno != EINTR) ended_ = true;
    }
    return status_;
  }
  void kill(int signal = SIGKILL) {
    if (running()) ::kill(pid_, signal);
  }
  // Sends `signal` and returns once the child has taken it from its pending
  // set, so that the next one is heard as a second press rather than merged
  // with this one, as two quick signals are while the child waits for a CPU.
  void kill_and_wait_taken(int signal) {
    kill(signal);
    const std::string status_file = "/proc/" + std::to_string(pid_) + "/status";
    while (running()) {
      std::ifstream status(status_file);
      std::string line;
      unsigned long long pending = 0;
      while (std::getline(status, line)) {
        if (line.rfind("ShdPnd:", 0) == 0) pending = std::stoull(line.substr(7), nullptr, 16);
      }
      if ((pending & (1ULL << (signal - 1))) == 0) return;
      ::usleep(100);
    }
  }
  // Stops every thread of the child and returns once it is stopped; false
  // when it had ended instead.
  bool stop() {
    if (!running()) return false;
    ::kill(pid_, SIGSTOP);
    for (;;) {
      int status = 0;
      const pid_t got = ::waitpid(pid_, &status, WUNTRACED);
      if (got < 0 && errno == EINTR) continue;
      if (got == pid_ && WIFSTOPPED(status)) return true;
      ended_ = true;
      status_ = status;
      return false;
    }
  }
  void resume() {
    if (running()) ::kill(pid_, SIGCONT);
  }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = -1;
};

}  // namespace tolvane::cli::testing
