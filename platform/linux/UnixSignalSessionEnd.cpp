#include "platform/linux/UnixSignalSessionEnd.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalSockets[2] = {-1, -1};
const int watchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // Nothing to do when the socket is full: a request is already pending.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

UnixSignalSessionEnd::UnixSignalSessionEnd(QObject *parent)
    : SessionEndWatcher(parent)
{
    if (signalSockets[0] >= 0) {
        qWarning("UnixSignalSessionEnd: only one watcher per process");
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSockets) != 0) {
        signalSockets[0] = signalSockets[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalSessionEnd::readSignal);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : watchedSignals)
        ::sigaction(number, &action, nullptr);
}

UnixSignalSessionEnd::~UnixSignalSessionEnd()
{
    if (!m_notifier)
        return;
    for (int number : watchedSignals)
        ::signal(number, SIG_DFL);
    delete m_notifier;
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

void UnixSignalSessionEnd::readSignal()
{
    unsigned char byte = 0;
    while (::read(signalSockets[1], &byte, 1) == 1)
        emit endRequested(byte);
}
