#include "platform/win32/SerialControl.h"

#include <cstdlib>
#include <cstring>

namespace tolvane::win32 {
namespace {

struct LineSettings {
  DWORD baud;
  BYTE parity, dataBits, stopBits;
};

// "9600,N,8,1": baud rate, parity letter, data bits, stop bits.
bool ParseSettings(const std::string& text, LineSettings& out) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (fields.size() != 4 || fields[0].empty() || fields[0].size() > 7) return false;
  for (const char c : fields[0])
    if (c < '0' || c > '9') return false;
  out.baud = static_cast<DWORD>(std::strtoul(fields[0].c_str(), nullptr, 10));
  if (out.baud == 0 || fields[1].size() != 1) return false;
  switch (fields[1][0]) {
    case 'N': case 'n': out.parity = NOPARITY; break;
    case 'O': case 'o': out.parity = ODDPARITY; break;
    case 'E': case 'e': out.parity = EVENPARITY; break;
    case 'M': case 'm': out.parity = MARKPARITY; break;
    case 'S': case 's': out.parity = SPACEPARITY; break;
    default: return false;
  }
  if (fields[2].size() != 1 || fields[2][0] < '4' || fields[2][0] > '8') return false;
  out.dataBits = static_cast<BYTE>(fields[2][0] - '0');
  if (fields[3] == "1") out.stopBits = ONESTOPBIT;
  else if (fields[3] == "1.5") out.stopBits = ONE5STOPBITS;
  else if (fields[3] == "2") out.stopBits = TWOSTOPBITS;
  else return false;
  return true;
}

const char* const kInvalidValue = "Invalid property value";
const char* const kPortAlreadyOpen = "Port already open";
const char* const kPortNotOpen = "Operation valid only when the port is open";

}  // namespace

SerialControl::SerialControl(const SerialCalls& calls) : calls_(calls) { InitializeCriticalSection(&lock_); }

SerialControl::~SerialControl() {
  Close();
  DeleteCriticalSection(&lock_);
}

Status SerialControl::SetCommPort(std::int16_t port) {
  if (PortOpen()) return Status::Fail(kPortAlreadyOpen);
  if (port < 1 || port > 255) return Status::Fail("Invalid port number");
  commPort_ = port;
  return Status::Ok();
}

Status SerialControl::SetSettings(const std::string& settings) {
  LineSettings line;
  if (!ParseSettings(settings, line)) return Status::Fail(kInvalidValue);
  settings_ = settings;
  return PortOpen() ? ApplyLine() : Status::Ok();
}

Status SerialControl::SetDTREnable(bool on) {
  dtr_ = on;
  if (PortOpen()) EscapeCommFunction(handle_, on ? SETDTR : CLRDTR);
  return Status::Ok();
}

Status SerialControl::SetRTSEnable(bool on) {
  rts_ = on;
  if (PortOpen() && handshaking_ != 2 && handshaking_ != 3) EscapeCommFunction(handle_, on ? SETRTS : CLRRTS);
  return Status::Ok();
}

Status SerialControl::SetHandshaking(std::int16_t mode) {
  if (mode < 0 || mode > 3) return Status::Fail(kInvalidValue);
  handshaking_ = mode;
  return PortOpen() ? ApplyLine() : Status::Ok();
}

Status SerialControl::ApplyLine() {
  LineSettings line;
  ParseSettings(settings_, line);
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle_, &dcb)) return Status::Fail(ErrorText(GetLastError()));
  const bool hardware = handshaking_ == 2 || handshaking_ == 3;
  const bool software = handshaking_ == 1 || handshaking_ == 3;
  dcb.BaudRate = line.baud;
  dcb.ByteSize = line.dataBits;
  dcb.Parity = line.parity;
  dcb.StopBits = line.stopBits;
  dcb.fBinary = TRUE;
  dcb.fParity = line.parity != NOPARITY;
  dcb.fOutxCtsFlow = hardware;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = dtr_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = software;
  dcb.fInX = software;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;  // a 0 byte is data like any other
  dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : rts_ ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
  dcb.fAbortOnError = FALSE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 512;
  dcb.XoffLim = 512;
  if (!SetCommState(handle_, &dcb)) return Status::Fail(ErrorText(GetLastError()));
  return Status::Ok();
}

Status SerialControl::SetPortOpen(bool open) {
  if (!open) {
    Close();
    return Status::Ok();
  }
  if (PortOpen()) return Status::Fail(kPortAlreadyOpen);
  // The device namespace reaches COM10 and above as well.
  const std::string name = "\\\\.\\COM" + std::to_string(commPort_);
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return Status::Fail(ErrorText(GetLastError()));
  handle_ = h;
  SetupComm(handle_, 65536, 65536);
  if (Status s = ApplyLine(); !s) {
    Close();
    return s;
  }
  // A read returns at once with whatever is there; the reader polls every few milliseconds,
  // the one way of waiting that every serial driver (and Wine) honours on overlapped handles.
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 10, 2000};
  SetCommTimeouts(handle_, &timeouts);
  PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
  stop_ = calls_.CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = calls_.CreateThread(nullptr, 0, ReaderThread, this, 0, nullptr);
  return Status::Ok();
}

void SerialControl::Close() {
  if (thread_) {
    SetEvent(stop_);
    WaitForSingleObject(thread_, 5000);
    calls_.CloseHandle(thread_);
    thread_ = nullptr;
  }
  if (stop_) {
    calls_.CloseHandle(stop_);
    stop_ = nullptr;
  }
  if (handle_ != INVALID_HANDLE_VALUE) {
    calls_.CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  EnterCriticalSection(&lock_);
  received_.clear();
  LeaveCriticalSection(&lock_);
}

DWORD WINAPI SerialControl::ReaderThread(void* self) {
  static_cast<SerialControl*>(self)->ReadLoop();
  return 0;
}

void SerialControl::Post(std::int16_t event) {
  if (window_) calls_.PostMessageA(window_, message_, static_cast<WPARAM>(event), 0);
}

void SerialControl::ReadLoop() {
  constexpr DWORD kPollMs = 5;
  OVERLAPPED ov;
  std::memset(&ov, 0, sizeof ov);
  ov.hEvent = calls_.CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD lastModem = 0;
  calls_.GetCommModemStatus(handle_, &lastModem);
  std::uint8_t buffer[4096];
  int failures = 0;
  while (WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) {
    ResetEvent(ov.hEvent);
    DWORD n = 0;
    BOOL ok = calls_.ReadFile(handle_, buffer, sizeof buffer, &n, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING) {
      const HANDLE waits[2] = {ov.hEvent, stop_};
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        calls_.CancelIoEx(handle_, nullptr);
        GetOverlappedResult(handle_, &ov, &n, TRUE);
        break;
      }
      ok = GetOverlappedResult(handle_, &ov, &n, FALSE);
    }
    if (!ok) {
      // The device is gone; say so once and wait to be closed, without spinning.
      if (++failures == 3) {
        const std::string reason = ErrorText(GetLastError());
        EnterCriticalSection(&lock_);
        lostReason_ = reason;
        LeaveCriticalSection(&lock_);
        Post(kEvDeviceLost);
        WaitForSingleObject(stop_, INFINITE);
        break;
      }
      WaitForSingleObject(stop_, 100);
      continue;
    }
    failures = 0;
    if (n > 0) {
      EnterCriticalSection(&lock_);
      received_.insert(received_.end(), buffer, buffer + n);
      LeaveCriticalSection(&lock_);
      if (!dataPosted_.exchange(true)) Post(kEvReceive);
    }
    DWORD modem = 0;
    if (calls_.GetCommModemStatus(handle_, &modem) && ((modem ^ lastModem) & MS_DSR_ON)) Post(kEvDSR);
    lastModem = modem;
    if (n < sizeof buffer) WaitForSingleObject(stop_, kPollMs);
  }
  calls_.CloseHandle(ov.hEvent);
}

void SerialControl::Deliver(std::int16_t event) {
  if (event == kEvReceive) dataPosted_ = false;  // later data posts again
  if (!PortOpen()) return;
  commEvent_ = event;
  if (onComm_) onComm_();
}

std::string SerialControl::LostReason() const {
  EnterCriticalSection(&lock_);
  std::string reason = lostReason_;
  LeaveCriticalSection(&lock_);
  return reason;
}

Status SerialControl::SetInputLen(std::int16_t count) {
  inputLen_ = count;
  return Status::Ok();
}

int SerialControl::InBufferCount() const {
  EnterCriticalSection(&lock_);
  const int n = static_cast<int>(received_.size());
  LeaveCriticalSection(&lock_);
  return n;
}

std::vector<std::uint8_t> SerialControl::Input() {
  EnterCriticalSection(&lock_);
  std::vector<std::uint8_t> out;
  if (inputLen_ <= 0 || static_cast<std::size_t>(inputLen_) >= received_.size()) {
    out.swap(received_);
  } else {
    out.assign(received_.begin(), received_.begin() + inputLen_);
    received_.erase(received_.begin(), received_.begin() + inputLen_);
  }
  LeaveCriticalSection(&lock_);
  return out;
}

Status SerialControl::Output(std::string_view bytes) {
  if (!PortOpen()) return Status::Fail(kPortNotOpen);
  OVERLAPPED ov;
  std::memset(&ov, 0, sizeof ov);
  ov.hEvent = calls_.CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD written = 0;
  BOOL ok = calls_.WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &ov);
  if (!ok && GetLastError() == ERROR_IO_PENDING) ok = GetOverlappedResult(handle_, &ov, &written, TRUE);
  const DWORD error = ok ? 0 : GetLastError();
  calls_.CloseHandle(ov.hEvent);
  if (!ok) return Status::Fail(ErrorText(error));
  return written == bytes.size() ? Status::Ok() : Status::Fail("Write timed out");
}

}  // namespace tolvane::win32
