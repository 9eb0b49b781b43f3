// The serial control on a Windows COM port. Each open runs a SerialSession whose reader thread
// only moves bytes and posts messages; the window hands each message back through Deliver() on
// the user-interface thread, which raises OnComm.
#pragma once

#include <vector>

#include "platform/SerialControl.h"
#include "windows/SerialSession.h"
#include "windows/Win32.h"

namespace tolvane::win32 {

class SerialControl : public tolvane::SerialControl {
 public:
  explicit SerialControl(const SerialCalls& calls = {}) : calls_(calls) {}
  ~SerialControl() override { Close(); }
  SerialControl(const SerialControl&) = delete;
  SerialControl& operator=(const SerialControl&) = delete;

  // Where notifications go, from the next open: message with wParam the CommEvent and lParam
  // the open it belongs to.
  void SetNotifyWindow(HWND window, UINT message) {
    window_ = window;
    message_ = message;
  }
  // On the user-interface thread, for each posted notification; one posted for an earlier
  // open is ignored.
  void Deliver(std::int16_t event, LPARAM open);

  Status SetCommPort(std::int16_t port) override;
  Status SetSettings(const std::string& settings) override;
  Status SetDTREnable(bool on) override;
  Status SetRTSEnable(bool on) override;
  Status SetHandshaking(std::int16_t mode) override;
  Status SetPortOpen(bool open) override;
  bool PortOpen() const override { return session_ != nullptr; }
  std::int16_t CommEvent() const override { return commEvent_; }
  int InBufferCount() const override { return session_ ? session_->Waiting() : 0; }
  std::vector<std::uint8_t> Input() override;
  // Queued for the reader thread: never waits for the device.
  Status Output(std::string_view bytes) override;
  void SetOnComm(std::function<void()> handler) override { onComm_ = std::move(handler); }
  std::string LostReason() const override { return lostReason_; }
  std::string WriteFailedReason() const override { return writeFailedReason_; }

 private:
  Status ApplyLine(HANDLE port);
  void Close();

  const SerialCalls calls_;
  SerialSession* session_ = nullptr;
  DWORD opens_ = 0;
  HWND window_ = nullptr;
  UINT message_ = 0;
  std::string lostReason_;
  std::string writeFailedReason_;

  std::int16_t commPort_ = 1;
  std::string settings_ = "9600,N,8,1";
  bool dtr_ = false, rts_ = false;
  std::int16_t handshaking_ = 0;
  std::int16_t commEvent_ = 0;
  std::function<void()> onComm_;
};

}  // namespace tolvane::win32
