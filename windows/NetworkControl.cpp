#include "windows/NetworkControl.h"

#include "serialsettings/LineSettings.h"

namespace tolvane::win32 {

// The look-up, on its thread: it owns this until it posts it; the window's side frees it.
struct NetworkControl::Lookup {
  HWND window = nullptr;
  UINT message = 0;
  unsigned session = 0;
  std::string host, port;
  std::string error;
  std::vector<std::vector<char>> endpoints;
};

namespace {

const char* const kInvalidValue = "Invalid property value";

std::string SocketError(int code) {
  switch (code) {
    case WSAECONNREFUSED: return "Connection refused";
    case WSAETIMEDOUT: return "Connection timed out";
    case WSAEHOSTUNREACH: return "No route to host";
    case WSAENETUNREACH: return "Network is unreachable";
    case WSAECONNRESET: return "Connection reset by peer";
    case WSAECONNABORTED: return "Connection aborted";
    default: return ErrorText(static_cast<DWORD>(code));
  }
}

DWORD WINAPI LookUp(LPVOID parameter) {
  auto* lookup = static_cast<NetworkControl::Lookup*>(parameter);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int code = getaddrinfo(lookup->host.c_str(), lookup->port.c_str(), &hints, &found);
  if (code == WSAHOST_NOT_FOUND || code == WSANO_DATA)
    lookup->error = "unknown host " + lookup->host;
  else if (code == WSATRY_AGAIN)
    lookup->error = "the name server gave no answer for " + lookup->host;
  else if (code != 0)
    lookup->error = SocketError(code);
  for (const addrinfo* a = found; a; a = a->ai_next) {
    const auto* bytes = reinterpret_cast<const char*>(a->ai_addr);
    lookup->endpoints.emplace_back(bytes, bytes + a->ai_addrlen);
  }
  if (code == 0 && lookup->endpoints.empty()) lookup->error = "no address for " + lookup->host;
  if (found) freeaddrinfo(found);
  // A window that is gone cannot take it.
  if (!PostMessageA(lookup->window, lookup->message, 0, reinterpret_cast<LPARAM>(lookup))) delete lookup;
  return 0;
}

// Quick answers for acknowledgements, and a dead peer found even when nothing is sent.
void Tune(SOCKET s) {
  const BOOL on = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
}

}  // namespace

NetworkControl::NetworkControl(Address address) : address_(std::move(address)) {
  WSADATA data;
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

NetworkControl::~NetworkControl() {
  Close();
  if (started_) WSACleanup();
}

void NetworkControl::SetNotifyWindow(HWND window, UINT socketMessage, UINT lookupMessage, UINT_PTR timer) {
  window_ = window;
  socketMessage_ = socketMessage;
  lookupMessage_ = lookupMessage;
  timer_ = timer;
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
  if (!started_) return Status::Fail(target->text + ": Winsock could not be started");
  target_ = *target;
  ++session_;
  lostReason_.clear();
  telnet_ = TelnetClient();
  openedAt_ = GetTickCount();
  auto* lookup = new Lookup{window_, lookupMessage_, session_, target_.host, std::to_string(target_.port), {}, {}};
  HANDLE thread = CreateThread(nullptr, 0, LookUp, lookup, 0, nullptr);
  if (!thread) {
    delete lookup;
    return Status::Fail(target_.text + ": " + ErrorText(GetLastError()));
  }
  CloseHandle(thread);
  stage_ = Stage::Resolving;
  if (window_) SetTimer(window_, timer_, 100, nullptr);
  return Status::Ok();
}

void NetworkControl::CloseSocket() {
  if (socket_ == INVALID_SOCKET) return;
  WSAAsyncSelect(socket_, window_, 0, 0);  // no more events from it
  closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

void NetworkControl::Close() {
  CloseSocket();
  endpoints_.clear();
  stage_ = Stage::Closed;
  in_.clear();
  early_.clear();
  out_.clear();
  if (window_) KillTimer(window_, timer_);
}

void NetworkControl::LookupDone(LPARAM answer) {
  auto* lookup = reinterpret_cast<Lookup*>(answer);
  const bool ours = stage_ == Stage::Resolving && lookup->session == session_;
  const std::string error = lookup->error;
  if (ours) endpoints_ = std::move(lookup->endpoints);
  delete lookup;
  if (!ours) return;  // an answer for an open that has gone
  if (!error.empty()) return Lost("cannot connect to " + target_.text + ": " + error);
  next_ = 0;
  stage_ = Stage::Connecting;
  ConnectNext();
}

// Each address the look-up gave, in its order, until one takes the connection.
void NetworkControl::ConnectNext() {
  CloseSocket();
  while (next_ < endpoints_.size()) {
    const auto& endpoint = endpoints_[next_++];
    const auto* address = reinterpret_cast<const sockaddr*>(endpoint.data());
    socket_ = ::socket(address->sa_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) {
      connectError_ = SocketError(WSAGetLastError());
      continue;
    }
    Tune(socket_);
    // Non-blocking from here; the window hears of the connection and of everything after.
    if (WSAAsyncSelect(socket_, window_, socketMessage_, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
      connectError_ = SocketError(WSAGetLastError());
      CloseSocket();
      continue;
    }
    if (::connect(socket_, address, static_cast<int>(endpoint.size())) == 0) return;  // FD_CONNECT follows
    const int code = WSAGetLastError();
    if (code == WSAEWOULDBLOCK) return;
    connectError_ = SocketError(code);
    CloseSocket();
  }
  Lost("cannot connect to " + target_.text + ": " + connectError_);
}

void NetworkControl::SocketEvent(WPARAM socket, LPARAM event) {
  if (static_cast<SOCKET>(socket) != socket_ || socket_ == INVALID_SOCKET) return;  // one closed since
  const int what = WSAGETSELECTEVENT(event), code = WSAGETSELECTERROR(event);
  const unsigned session = session_;
  if (what == FD_CONNECT) {
    if (stage_ != Stage::Connecting) return;
    if (code != 0) {
      connectError_ = SocketError(code);
      return ConnectNext();
    }
    return Established();
  }
  if (stage_ != Stage::Negotiating && stage_ != Stage::Connected) return;
  if (what == FD_READ || what == FD_CLOSE) Receive();
  if (session_ == session && what == FD_CLOSE && socket_ != INVALID_SOCKET)
    Lost("the connection to " + target_.text +
         (code == 0 ? " was closed by the server" : " failed: " + SocketError(code)));
  if (session_ == session && what == FD_WRITE) Send();
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
  std::string data, reply, lost;
  char buffer[4096];
  for (;;) {
    const int n = ::recv(socket_, buffer, sizeof buffer, 0);
    if (n > 0) {
      if (target_.rfc2217)
        telnet_.Receive(std::string_view(buffer, static_cast<std::size_t>(n)), data, reply);
      else
        data.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    const int code = n < 0 ? WSAGetLastError() : 0;
    if (code == WSAEWOULDBLOCK) break;
    lost =
        "the connection to " + target_.text + (n == 0 ? " was closed by the server" : " failed: " + SocketError(code));
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
    const int n = ::send(socket_, out_.data(), static_cast<int>(out_.size()), 0);
    if (n <= 0) break;  // full (FD_WRITE comes when it is not), or failing: FD_CLOSE says so
    out_.erase(0, static_cast<std::size_t>(n));
    outSince_ = GetTickCount();
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
  if (early_.empty() && out_.empty()) outSince_ = GetTickCount();
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
  const DWORD now = GetTickCount();
  if (Connecting() && now - openedAt_ > kConnectBound) {
    const std::string what = stage_ == Stage::Resolving    ? "no answer from the name server"
                             : stage_ == Stage::Connecting ? "no answer"
                                                           : "the server does not answer as RFC 2217 asks (try tcp://)";
    return Lost("cannot connect to " + target_.text + ": " + what + " within " + std::to_string(kConnectBound / 1000) +
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
  CloseSocket();
  stage_ = Stage::Lost;
  lostReason_ = reason;
  Raise(kEvDeviceLost);
}

}  // namespace tolvane::win32
