#include "termination_signals.h"

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace tilebay {
namespace {

int g_writeFd = -1;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnSignal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    if (g_writeFd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    }
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    g_writeFd = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals) {
        ::sigaction(number, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    for (int number : kSignals) {
        ::signal(number, SIG_DFL);
    }
    g_writeFd = -1;
    notifier_.reset();
    for (int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void TerminationSignals::OnReadable() {
    unsigned char byte = 0;
    while (::read(fds_[0], &byte, 1) == 1) {
        Q_EMIT received(byte);
    }
}

}  // namespace tilebay
