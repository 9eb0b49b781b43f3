#include "windows/NetworkControl.h"

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

NetworkControl::NetworkControl(Address address) : NetworkDevice(std::move(address)) {
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

Status NetworkControl::StartLookup(const DeviceAddress& target, unsigned session) {
  if (!started_) return Status::Fail(target.text + ": Winsock could not be started");
  auto* lookup = new Lookup{window_, lookupMessage_, session, target.host, std::to_string(target.port), {}, {}};
  HANDLE thread = CreateThread(nullptr, 0, LookUp, lookup, 0, nullptr);
  if (!thread) {
    delete lookup;
    return Status::Fail(target.text + ": " + ErrorText(GetLastError()));
  }
  CloseHandle(thread);
  return Status::Ok();
}

void NetworkControl::Timing(bool on) {
  if (!window_) return;
  if (on)
    SetTimer(window_, timer_, 100, nullptr);
  else
    KillTimer(window_, timer_);
}

void NetworkControl::Disconnect() {
  if (socket_ == INVALID_SOCKET) return;
  WSAAsyncSelect(socket_, window_, 0, 0);  // no more events from it
  closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

void NetworkControl::LookupDone(LPARAM answer) {
  auto* lookup = reinterpret_cast<Lookup*>(answer);
  const bool ours = stage() == Stage::Resolving && lookup->session == session();
  const std::string error = lookup->error;
  Endpoints endpoints;
  if (ours) endpoints = std::move(lookup->endpoints);
  delete lookup;
  if (!ours) return;  // an answer for an open that has gone
  LookedUp(error, std::move(endpoints));
}

NetworkControl::Attempt NetworkControl::Connect(const std::vector<char>& endpoint, std::string& error) {
  const auto* address = reinterpret_cast<const sockaddr*>(endpoint.data());
  socket_ = ::socket(address->sa_family, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) {
    error = SocketError(WSAGetLastError());
    return Attempt::Failed;
  }
  Tune(socket_);
  // Non-blocking from here; the window hears of the connection and of everything after.
  if (WSAAsyncSelect(socket_, window_, socketMessage_, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    error = SocketError(WSAGetLastError());
    Disconnect();
    return Attempt::Failed;
  }
  if (::connect(socket_, address, static_cast<int>(endpoint.size())) == 0)
    return Attempt::Pending;  // FD_CONNECT follows
  const int code = WSAGetLastError();
  if (code == WSAEWOULDBLOCK) return Attempt::Pending;
  error = SocketError(code);
  Disconnect();
  return Attempt::Failed;
}

void NetworkControl::SocketEvent(WPARAM socket, LPARAM event) {
  if (static_cast<SOCKET>(socket) != socket_ || socket_ == INVALID_SOCKET) return;  // one closed since
  const int what = WSAGETSELECTEVENT(event), code = WSAGETSELECTERROR(event);
  const unsigned open = session();
  if (what == FD_CONNECT) {
    if (stage() != Stage::Connecting) return;
    if (code != 0) return ConnectFailed(SocketError(code));
    return Established();
  }
  if (stage() != Stage::Negotiating && stage() != Stage::Connected) return;
  if (what == FD_READ || what == FD_CLOSE) Receive();
  if (session() == open && what == FD_CLOSE && socket_ != INVALID_SOCKET)
    Lost("the connection to " + target().text +
         (code == 0 ? " was closed by the server" : " failed: " + SocketError(code)));
  if (session() == open && what == FD_WRITE) Send();
}

long NetworkControl::ReadSome(char* buffer, std::size_t size, std::string& failure) {
  const int n = ::recv(socket_, buffer, static_cast<int>(size), 0);
  if (n > 0) return n;
  const int code = n < 0 ? WSAGetLastError() : 0;
  if (code == WSAEWOULDBLOCK) return 0;
  if (n < 0) failure = SocketError(code);
  return -1;
}

long NetworkControl::WriteSome(std::string_view bytes) {
  return ::send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
}

}  // namespace tolvane::win32
