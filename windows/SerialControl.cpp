#include "windows/SerialControl.h"

#include <cstdlib>
#include <cstring>

#include "serialsettings/LineSettings.h"

namespace tolvane::win32 {
namespace {

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
  if (!ParseLineSettings(settings)) return Status::Fail(kInvalidValue);
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
  const LineSettings line = ParseLineSettings(settings_).value_or(LineSettings{});
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) return Status::Fail(ErrorText(GetLastError()));
  const bool hardware = handshaking_ == 2 || handshaking_ == 3;
  const bool software = handshaking_ == 1 || handshaking_ == 3;
  dcb.BaudRate = line.baud;
  dcb.ByteSize = static_cast<BYTE>(line.dataBits);
  dcb.Parity = static_cast<BYTE>(std::string("NOEMS").find(line.parity));  // NOPARITY .. SPACEPARITY
  dcb.StopBits = static_cast<BYTE>(line.stopBitsTimes2 - 2);               // ONESTOPBIT .. TWOSTOPBITS
  dcb.fBinary = TRUE;
  dcb.fParity = line.parity != 'N';
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
  HANDLE port =
      CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
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
  session_ = SerialSession::Start(calls_, port, waitEvents, {window_, message_, static_cast<LPARAM>(++opens_)}, status);
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
