// The console on POSIX: the terminal, and the signals that stop a run.
#include <signal.h>
#include <unistd.h>

#include <csignal>

#include "cli/console.h"

namespace tolvane::cli {
namespace {

app::StopRequest* stop_request = nullptr;
volatile std::sig_atomic_t stopping_signal = 0;

void end_by(int signal) {
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
  ::raise(signal);
}

extern "C" void on_stop_signal(int signal) {
  // Every copy is on the device before it takes its name, so ending here,
  // at a second Ctrl-C, tears nothing.
  if (stopping_signal != 0 || !stop_request->request()) {
    end_by(signal);
    return;
  }
  stopping_signal = signal;
}

}  // namespace

bool error_stream_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

void use_utf8_console() {}

void catch_stop_keys(app::StopRequest& stop) {
  stop_request = &stop;
  struct sigaction action = {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  // Reads and waits the run is in go on after the handler.
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

void end_as_stopped() {
  if (stopping_signal != 0) end_by(stopping_signal);
}

}  // namespace tolvane::cli
