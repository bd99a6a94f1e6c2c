#include "support/Interruption.h"

#include <csignal>
#include <string>

namespace Corvane::Tessory::Cli {
namespace {

volatile std::sig_atomic_t gSignal = 0;

extern "C" void recordSignal(int signal) {
    gSignal = signal;
}

}  // namespace

Interruption::Stopped::Stopped(int sig)
    : std::runtime_error(std::string("interrupted by ") + (sig == SIGINT ? "SIGINT" : "SIGTERM")),
      signal(sig) {}

void Interruption::install() {
    struct sigaction action {};
    action.sa_handler = recordSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int Interruption::received() {
    return gSignal;
}

void Interruption::check() {
    if (const int sig = gSignal) throw Stopped(sig);
}

}  // namespace Corvane::Tessory::Cli
