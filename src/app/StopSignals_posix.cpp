// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StopSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// The pipe the handler writes the signal's number into: what a signal handler may touch is a
// descriptor, nothing of the program's objects.
int g_pipe[2] = {-1, -1};

void OnSignalHandler(int signal) {
    // The next one of these ends the process the default way.
    std::signal(signal, SIG_DFL);
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
}

} // namespace

StopSignals::StopSignals(std::function<void(const QString&)> stop, QObject* parent)
    : QObject(parent), m_stop(std::move(stop)) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::OnSignal);
    struct sigaction action {};
    action.sa_handler = OnSignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals() {
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void StopSignals::OnSignal() {
    unsigned char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
        if (m_received != 0)
            continue;
        m_received = number;
        if (m_stop)
            m_stop(number == SIGTERM  ? QStringLiteral("SIGTERM")
                   : number == SIGINT ? QStringLiteral("SIGINT")
                                      : QStringLiteral("SIGHUP"));
    }
}
