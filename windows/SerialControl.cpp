#include "windows/SerialControl.h"

#include <dbt.h>

#include "serialsettings/LineSettings.h"
#include "windows/PortWorker.h"

namespace tolvane::win32 {
namespace {

const char* const kInvalidValue = "Invalid property value";
const char* const kPortAlreadyOpen = "Port already open";
const char* const kPortNotOpen = "Operation valid only when the port is open";
// How long the end of the program waits for the worker to let the port go.
constexpr DWORD kQuitWaitMs = 3000;

}  // namespace

SerialControl::~SerialControl() {
  Close();
  if (worker_) worker_->Quit(kQuitWaitMs);
}

Status SerialControl::SetCommPort(std::int16_t port) {
  if (PortOpen()) return Status::Fail(kPortAlreadyOpen);
  if (port < 1 || port > 255) return Status::Fail("Invalid port number");
  commPort_ = port;
  return Status::Ok();
}

Status SerialControl::SetSettings(const std::string& settings) {
  if (!ParseLineSettings(settings)) return Status::Fail(kInvalidValue);
  settings_ = settings;
  return PortOpen() ? ApplyLine(session_->Port(), {commPort_, settings_, dtr_, rts_, handshaking_, {}}) : Status::Ok();
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
  return PortOpen() ? ApplyLine(session_->Port(), {commPort_, settings_, dtr_, rts_, handshaking_, {}}) : Status::Ok();
}

Status SerialControl::SetPortOpen(bool open) {
  if (!open) {
    Close();
    return Status::Ok();
  }
  if (PortOpen() || underWay_) return Status::Fail(kPortAlreadyOpen);
  if (!worker_) {
    Status made;
    worker_ = PortWorker::Start(calls_, made);
    if (!worker_) return made;
  }
  underWay_ = static_cast<LPARAM>(++opens_);
  worker_->Open({commPort_, settings_, dtr_, rts_, handshaking_, {window_, message_, underWay_}});
  return Status::Ok();
}

void SerialControl::Close() {
  if (underWay_) worker_->Abandon(underWay_);
  underWay_ = 0;
  if (!session_) return;
  SerialSession* session = session_;
  session_ = nullptr;
  worker_->Retire(session);
}

void SerialControl::Raise(std::int16_t event) {
  commEvent_ = event;
  if (onComm_) onComm_();
}

void SerialControl::Deliver(std::int16_t event, LPARAM open) {
  if (event == kEvOpened) {
    SerialSession* session = nullptr;
    if (open != underWay_ || !worker_->Take(open, session, openFailedReason_)) return;
    underWay_ = 0;
    session_ = session;
    return Raise(session ? kEvOpened : kEvOpenFailed);
  }
  if (!session_ || open != session_->Open()) return;
  if (event == kEvReceive) session_->ReceiveDelivered();
  if (event == kEvDeviceLost) lostReason_ = session_->LostReason();
  if (event == kEvWriteFailed) writeFailedReason_ = session_->WriteFailedReason();
  Raise(event);
}

void SerialControl::DeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEQUERYREMOVE && event != DBT_DEVICEREMOVEPENDING && event != DBT_DEVICEREMOVECOMPLETE) return;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (!session_ || !header || header->dbch_devicetype != DBT_DEVTYP_HANDLE) return;
  if (reinterpret_cast<const DEV_BROADCAST_HANDLE*>(data)->dbch_handle != session_->Port()) return;
  lostReason_ = ErrorText(ERROR_DEVICE_REMOVED);
  Raise(kEvDeviceLost);
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
