#include "linux/NetworkControl.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

namespace tolvane::posix {

// The look-up's outcome; the thread signals the event when it is there. A close does not wait
// for the thread: it lets go, and whichever side lets go last frees this.
struct NetworkControl::Lookup {
  Lookup() : event(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~Lookup() {
    if (event >= 0) ::close(event);
  }
  const int event;
  std::mutex lock;
  bool done = false;
  std::string error;                         // under lock
  std::vector<std::vector<char>> endpoints;  // under lock
};

namespace {

std::string LookupError(int code, int error, const std::string& host) {
  switch (code) {
    case EAI_NONAME: return "unknown host " + host;
#ifdef EAI_NODATA
    case EAI_NODATA: return "unknown host " + host;
#endif
    case EAI_AGAIN: return "the name server gave no answer for " + host;
    case EAI_SYSTEM: return std::strerror(error);
    default: return gai_strerror(code);
  }
}

void LookUp(std::shared_ptr<NetworkControl::Lookup> lookup, std::string host, std::string port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int code = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
  const int error = errno;
  {
    std::lock_guard<std::mutex> l(lookup->lock);
    if (code != 0) lookup->error = LookupError(code, error, host);
    for (const addrinfo* a = found; a; a = a->ai_next) {
      const auto* bytes = reinterpret_cast<const char*>(a->ai_addr);
      lookup->endpoints.emplace_back(bytes, bytes + a->ai_addrlen);
    }
    if (code == 0 && lookup->endpoints.empty()) lookup->error = "no address for " + host;
    lookup->done = true;
  }
  if (found) freeaddrinfo(found);
  const std::uint64_t one = 1;
  static_cast<void>(::write(lookup->event, &one, sizeof one));
}

// Quick answers for acknowledgements, and a dead peer found within half a minute even when
// nothing is sent.
void Tune(int s) {
  const int on = 1, idle = 10, interval = 5, count = 3;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

}  // namespace

int NetworkControl::fd() const {
  switch (stage()) {
    case Stage::Resolving: return lookup_->event;
    case Stage::Connecting:
    case Stage::Negotiating:
    case Stage::Connected: return socket_;
    default: return -1;
  }
}

short NetworkControl::Events() const {
  if (stage() == Stage::Resolving) return POLLIN;
  if (stage() == Stage::Connecting) return POLLOUT;
  return static_cast<short>(POLLIN | (Sending() ? POLLOUT : 0));
}

Status NetworkControl::StartLookup(const DeviceAddress& target, unsigned /*session*/) {
  lookup_ = std::make_shared<Lookup>();
  if (lookup_->event < 0) {
    lookup_.reset();
    return Status::Fail(target.text + ": " + std::strerror(errno));
  }
  try {
    std::thread(LookUp, lookup_, target.host, std::to_string(target.port)).detach();
  } catch (const std::system_error& e) {
    lookup_.reset();
    return Status::Fail(target.text + ": " + e.what());
  }
  return Status::Ok();
}

void NetworkControl::Disconnect() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  lookup_.reset();
}

void NetworkControl::Ready(short revents) {
  switch (stage()) {
    case Stage::Resolving: {
      std::string error;
      Endpoints endpoints;
      {
        std::lock_guard<std::mutex> l(lookup_->lock);
        if (!lookup_->done) return;
        error = lookup_->error;
        endpoints = std::move(lookup_->endpoints);
      }
      lookup_.reset();
      return LookedUp(error, std::move(endpoints));
    }
    case Stage::Connecting: {
      int error = 0;
      socklen_t size = sizeof error;
      if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
      if (error == 0) return Established();
      return ConnectFailed(std::strerror(error));
    }
    case Stage::Negotiating:
    case Stage::Connected: {
      const unsigned open = session();
      if (revents & (POLLIN | POLLHUP | POLLERR)) Receive();
      if (session() == open && (revents & POLLOUT)) Send();
      return;
    }
    default: return;
  }
}

NetworkControl::Attempt NetworkControl::Connect(const std::vector<char>& endpoint, std::string& error) {
  const auto* address = reinterpret_cast<const sockaddr*>(endpoint.data());
  socket_ = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (socket_ < 0) {
    error = std::strerror(errno);
    return Attempt::Failed;
  }
  Tune(socket_);
  if (::connect(socket_, address, static_cast<socklen_t>(endpoint.size())) == 0) return Attempt::Made;
  if (errno == EINPROGRESS) return Attempt::Pending;  // the loop waits for it to be writable
  error = std::strerror(errno);
  ::close(socket_);
  socket_ = -1;
  return Attempt::Failed;
}

long NetworkControl::ReadSome(char* buffer, std::size_t size, std::string& failure) {
  for (;;) {
    const ssize_t n = ::read(socket_, buffer, size);
    if (n > 0) return static_cast<long>(n);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return 0;
    if (n < 0) failure = std::strerror(errno);
    return -1;
  }
}

long NetworkControl::WriteSome(std::string_view bytes) {
  return static_cast<long>(::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL));
}

}  // namespace tolvane::posix
