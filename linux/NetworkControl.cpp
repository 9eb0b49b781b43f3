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

#include "serialsettings/LineSettings.h"

namespace tolvane::posix {

using Clock = std::chrono::steady_clock;

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

const char* const kInvalidValue = "Invalid property value";

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
  switch (stage_) {
    case Stage::Resolving: return lookup_->event;
    case Stage::Connecting:
    case Stage::Negotiating:
    case Stage::Connected: return socket_;
    default: return -1;
  }
}

short NetworkControl::Events() const {
  if (stage_ == Stage::Resolving) return POLLIN;
  if (stage_ == Stage::Connecting) return POLLOUT;
  return static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT));
}

bool NetworkControl::Connecting() const {
  return stage_ == Stage::Resolving || stage_ == Stage::Connecting || stage_ == Stage::Negotiating;
}

Status NetworkControl::SetCommPort(std::int16_t port) {
  if (PortOpen()) return Status::Fail("Port already open");
  if (port < 1) return Status::Fail("Invalid port number");
  return Status::Ok();  // the address names the device
}

Status NetworkControl::SetSettings(const std::string& settings) {
  if (!ParseLineSettings(settings)) return Status::Fail(kInvalidValue);
  settings_ = settings;
  SendLine();
  return Status::Ok();
}

Status NetworkControl::SetDTREnable(bool on) {
  dtr_ = on;
  SendLine();
  return Status::Ok();
}

Status NetworkControl::SetRTSEnable(bool on) {
  rts_ = on;
  SendLine();
  return Status::Ok();
}

Status NetworkControl::SetHandshaking(std::int16_t mode) {
  if (mode < 0 || mode > 3) return Status::Fail(kInvalidValue);
  handshaking_ = mode;
  SendLine();
  return Status::Ok();
}

// The line as it stands, to a server that took the COM-PORT-OPTION.
void NetworkControl::SendLine() {
  if (stage_ != Stage::Connected || !target_.rfc2217) return;
  out_ += TelnetClient::LineCommands(*ParseLineSettings(settings_), handshaking_, dtr_, rts_);
  Send();
}

Status NetworkControl::SetPortOpen(bool open) {
  if (!open) {
    Close();
    return Status::Ok();
  }
  if (PortOpen()) return Status::Fail("Port already open");
  std::string error;
  const auto target = ParseDeviceAddress(address_(), error);
  if (!target) return Status::Fail(error);
  target_ = *target;
  ++session_;
  lostReason_.clear();
  telnet_ = TelnetClient();
  openedAt_ = Clock::now();
  lookup_ = std::make_shared<Lookup>();
  if (lookup_->event < 0) {
    lookup_.reset();
    return Status::Fail(target_.text + ": " + std::strerror(errno));
  }
  try {
    std::thread(LookUp, lookup_, target_.host, std::to_string(target_.port)).detach();
  } catch (const std::system_error& e) {
    lookup_.reset();
    return Status::Fail(target_.text + ": " + e.what());
  }
  stage_ = Stage::Resolving;
  return Status::Ok();
}

void NetworkControl::Close() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  lookup_.reset();
  endpoints_.clear();
  stage_ = Stage::Closed;
  in_.clear();
  early_.clear();
  out_.clear();
}

void NetworkControl::Ready(short revents) {
  switch (stage_) {
    case Stage::Resolving: return Resolved();
    case Stage::Connecting: {
      int error = 0;
      socklen_t size = sizeof error;
      if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
      if (error == 0) return Established();
      connectError_ = std::strerror(error);
      return ConnectNext();
    }
    case Stage::Negotiating:
    case Stage::Connected: {
      const unsigned session = session_;
      if (revents & (POLLIN | POLLHUP | POLLERR)) Receive();
      if (session_ == session && (revents & POLLOUT)) Send();
      return;
    }
    default: return;
  }
}

void NetworkControl::Resolved() {
  std::string error;
  {
    std::lock_guard<std::mutex> l(lookup_->lock);
    if (!lookup_->done) return;
    error = lookup_->error;
    endpoints_ = std::move(lookup_->endpoints);
  }
  lookup_.reset();
  if (!error.empty()) return Lost("cannot connect to " + target_.text + ": " + error);
  next_ = 0;
  stage_ = Stage::Connecting;
  ConnectNext();
}

// Each address the look-up gave, in its order, until one takes the connection.
void NetworkControl::ConnectNext() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  while (next_ < endpoints_.size()) {
    const auto& endpoint = endpoints_[next_++];
    const auto* address = reinterpret_cast<const sockaddr*>(endpoint.data());
    socket_ = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
      connectError_ = std::strerror(errno);
      continue;
    }
    Tune(socket_);
    if (::connect(socket_, address, static_cast<socklen_t>(endpoint.size())) == 0) return Established();
    if (errno == EINPROGRESS) return;  // the loop waits for it to be writable
    connectError_ = std::strerror(errno);
    ::close(socket_);
    socket_ = -1;
  }
  Lost("cannot connect to " + target_.text + ": " + connectError_);
}

void NetworkControl::Established() {
  endpoints_.clear();
  if (!target_.rfc2217) return Agreed();
  stage_ = Stage::Negotiating;
  out_ += telnet_.Start();
  Send();
}

// Ready for the line's bytes: a raw connection at once, RFC 2217 once the server took the option.
void NetworkControl::Agreed() {
  stage_ = Stage::Connected;
  SendLine();
  out_ += target_.rfc2217 ? telnet_.Data(early_) : early_;
  early_.clear();
  Send();
  if (stage_ == Stage::Connected) Raise(kEvConnected);
}

void NetworkControl::Receive() {
  const unsigned session = session_;
  std::string data, reply;
  char buffer[4096];
  std::string lost;
  for (;;) {
    const ssize_t n = ::read(socket_, buffer, sizeof buffer);
    if (n > 0) {
      if (target_.rfc2217)
        telnet_.Receive(std::string_view(buffer, static_cast<std::size_t>(n)), data, reply);
      else
        data.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) break;
    lost = "the connection to " + target_.text +
           (n == 0 ? " was closed by the server" : std::string(" failed: ") + std::strerror(errno));
    break;
  }
  out_ += reply;
  // Bytes that came before a drop are the program's all the same.
  if (!data.empty()) {
    in_.insert(in_.end(), data.begin(), data.end());
    Raise(kEvReceive);
    if (session_ != session) return;
  }
  if (!lost.empty()) return Lost(lost);
  if (target_.rfc2217) {
    for (int changes = telnet_.TakeDsrChanges(); changes > 0 && session_ == session; --changes) Raise(kEvDSR);
    if (session_ != session) return;
    if (telnet_.Refused()) return Lost(target_.text + ": the server does not take RFC 2217 (try tcp://)");
    if (stage_ == Stage::Negotiating && telnet_.Agreed()) return Agreed();
  }
  Send();
}

void NetworkControl::Send() {
  if (stage_ != Stage::Negotiating && stage_ != Stage::Connected) return;
  while (!out_.empty()) {
    const ssize_t n = ::send(socket_, out_.data(), out_.size(), MSG_NOSIGNAL);
    if (n <= 0) break;  // full, or failing: the read finds out, the bound drops it
    out_.erase(0, static_cast<std::size_t>(n));
    outSince_ = Clock::now();
  }
}

std::vector<std::uint8_t> NetworkControl::Input() {
  std::vector<std::uint8_t> taken;
  taken.swap(in_);
  return taken;
}

Status NetworkControl::Output(std::string_view bytes) {
  if (!PortOpen()) return Status::Fail("Operation valid only when the port is open");
  if (early_.size() + out_.size() + bytes.size() > kMaxQueued) return Status::Fail("The output buffer is full");
  if (early_.empty() && out_.empty()) outSince_ = Clock::now();
  if (stage_ != Stage::Connected) {  // a lost connection's are dropped by the bound, as a line's that is off
    early_.append(bytes);
    return Status::Ok();
  }
  out_ += target_.rfc2217 ? telnet_.Data(bytes) : std::string(bytes);
  Send();
  return Status::Ok();
}

void NetworkControl::Tick() {
  if (!PortOpen()) return;
  const auto now = Clock::now();
  if (Connecting() && now - openedAt_ > kConnectBound) {
    const std::string what = stage_ == Stage::Resolving    ? "no answer from the name server"
                             : stage_ == Stage::Connecting ? "no answer"
                                                           : "the server does not answer as RFC 2217 asks (try tcp://)";
    return Lost("cannot connect to " + target_.text + ": " + what + " within " + std::to_string(kConnectBound.count()) +
                " seconds");
  }
  if ((!early_.empty() || !out_.empty()) && now - outSince_ > kWriteBound) DropWrites("Write timed out");
}

void NetworkControl::DropWrites(const std::string& reason) {
  early_.clear();
  out_.clear();
  writeFailedReason_ = reason;
  Raise(kEvWriteFailed);
}

void NetworkControl::Raise(std::int16_t event) {
  commEvent_ = event;
  if (onComm_) onComm_();
}

// The port stays open, and quiet, until the program closes it.
void NetworkControl::Lost(const std::string& reason) {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  lookup_.reset();
  stage_ = Stage::Lost;
  lostReason_ = reason;
  Raise(kEvDeviceLost);
}

}  // namespace tolvane::posix
