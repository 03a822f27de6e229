#include "talvo_host/descriptor_watch.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace talvo::host {

SignalDescriptor::SignalDescriptor() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) == 0)
    fd_ = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
}

SignalDescriptor::~SignalDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace talvo::host
