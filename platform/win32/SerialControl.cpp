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
  return PortOpen() ? ApplyLine(session_->Port()) : Status::Ok();
}

Status SerialControl::SetDTREnable(bool on) {
  dtr_ = on;
  if (PortOpen()) EscapeCommFunction(session_->Port(), on ? SETDTR : CLRDTR);
  return Status::Ok();
}

Status SerialControl::SetRTSEnable(bool on) {
  rts_ = on;
  if (PortOpen() && handshaking_ != 2 && handshaking_ != 3) EscapeCommFunction(session_->Port(), on ? SETRTS : CLRRTS);
  return Status::Ok();
}

Status SerialControl::SetHandshaking(std::int16_t mode) {
  if (mode < 0 || mode > 3) return Status::Fail(kInvalidValue);
  handshaking_ = mode;
  return PortOpen() ? ApplyLine(session_->Port()) : Status::Ok();
}

Status SerialControl::ApplyLine(HANDLE port) {
  LineSettings line;
  ParseSettings(settings_, line);
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) return Status::Fail(ErrorText(GetLastError()));
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
  if (!SetCommState(port, &dcb)) return Status::Fail(ErrorText(GetLastError()));
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
  HANDLE port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) return Status::Fail(ErrorText(GetLastError()));
  SetupComm(port, 65536, 65536);
  if (Status s = ApplyLine(port); !s) {
    calls_.CloseHandle(port);
    return s;
  }
  // A read returns at once with whatever is there; a write gives up after two seconds.
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 10, 2000};
  SetCommTimeouts(port, &timeouts);
  // The mask before the purge: nothing that arrives afterwards goes unnoticed.
  const bool waitEvents = SetCommMask(port, EV_RXCHAR | EV_DSR) != FALSE;
  PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
  Status status;
  session_ = SerialSession::Start(calls_, port, waitEvents,
                                  {window_, message_, static_cast<LPARAM>(++opens_)}, status);
  return status;
}

void SerialControl::Close() {
  if (!session_) return;
  SerialSession* session = session_;
  session_ = nullptr;
  session->Stop();
}

void SerialControl::Deliver(std::int16_t event, LPARAM open) {
  if (!session_ || open != session_->Open()) return;
  if (event == kEvReceive) session_->ReceiveDelivered();
  if (event == kEvDeviceLost) lostReason_ = session_->LostReason();
  if (event == kEvWriteFailed) writeFailedReason_ = session_->WriteFailedReason();
  commEvent_ = event;
  if (onComm_) onComm_();
}

std::vector<std::uint8_t> SerialControl::Input() {
  if (!session_) return {};
  return session_->Take(0);
}

Status SerialControl::Output(std::string_view bytes) {
  if (!PortOpen()) return Status::Fail(kPortNotOpen);
  return session_->Queue(bytes);
}

}  // namespace tolvane::win32
