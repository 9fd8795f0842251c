#include "core/interrupt.h"

#include <signal.h>

#include <csignal>

namespace kaldero::interrupt {

namespace {

// Set by the handler (and by the tests) only.
volatile std::sig_atomic_t signalled = 0;

extern "C" void onSignal(int signo) {
  signalled = signo;
  // The next one of the same kind takes its default action.
  ::signal(signo, SIG_DFL);
}

}  // namespace

std::string Interrupted::name() const {
  return signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : "signal " + std::to_string(signal);
}

void install() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a read waiting for Enter returns
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int received() { return signalled; }

void check() {
  if (signalled != 0) throw Interrupted{signalled};
}

void request(int signo) { signalled = signo; }

}  // namespace kaldero::interrupt
