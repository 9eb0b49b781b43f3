// The serial control on a Windows COM port. Opening and closing run on a worker thread of the
// control's own, since either can take seconds (a Bluetooth port connects its radio before
// CreateFile returns; a reader stuck in a driver call is waited for); the user-interface thread
// only asks, and hears the end of an open as a posted notification. Each open runs a
// SerialSession whose reader thread only moves bytes and posts messages; the window hands each
// message back through Deliver() on the user-interface thread, which raises OnComm.
#pragma once

#include <memory>
#include <vector>

#include "platform/SerialControl.h"
#include "windows/SerialSession.h"
#include "windows/Win32.h"

namespace tolvane::win32 {

// What an open is made with, taken when it is asked for.
struct PortRequest {
  std::int16_t port = 1;
  std::string settings;
  bool dtr = false, rts = false;
  std::int16_t handshaking = 0;
  SerialNotify notify;
};

class PortWorker;

class SerialControl : public tolvane::SerialControl {
 public:
  explicit SerialControl(const SerialCalls& calls = {}) : calls_(calls) {}
  // Lets the port go and gives the worker a few seconds to close it.
  ~SerialControl() override;
  SerialControl(const SerialControl&) = delete;
  SerialControl& operator=(const SerialControl&) = delete;

  // Where notifications go, from the next open: message with wParam the CommEvent and lParam
  // the open it belongs to.
  void SetNotifyWindow(HWND window, UINT message) {
    window_ = window;
    message_ = message;
  }
  // On the user-interface thread, for each posted notification; one posted for an earlier
  // open, or for an open given up, is ignored.
  void Deliver(std::int16_t event, LPARAM open);
  // On the user-interface thread, for each WM_DEVICECHANGE: the open port's device asked to be
  // removed, or gone, is a lost device at once, and the port is let go so the removal can go on.
  void DeviceChange(WPARAM event, LPARAM data);

  Status SetCommPort(std::int16_t port) override;
  Status SetSettings(const std::string& settings) override;
  Status SetDTREnable(bool on) override;
  Status SetRTSEnable(bool on) override;
  Status SetHandshaking(std::int16_t mode) override;
  // Opening always leaves the open under way on the worker; closing returns at once.
  Status SetPortOpen(bool open) override;
  bool PortOpen() const override { return session_ != nullptr; }
  std::string OpenFailedReason() const override { return openFailedReason_; }
  std::int16_t CommEvent() const override { return commEvent_; }
  int InBufferCount() const override { return session_ ? session_->Waiting() : 0; }
  std::vector<std::uint8_t> Input() override;
  // Queued for the reader thread: never waits for the device.
  Status Output(std::string_view bytes) override;
  void SetOnComm(std::function<void()> handler) override { onComm_ = std::move(handler); }
  std::string LostReason() const override { return lostReason_; }
  std::string WriteFailedReason() const override { return writeFailedReason_; }

 private:
  void Close();
  void Raise(std::int16_t event);

  const SerialCalls calls_;
  std::shared_ptr<PortWorker> worker_;
  SerialSession* session_ = nullptr;
  LPARAM underWay_ = 0;  // the open the worker is making; 0: none
  DWORD opens_ = 0;
  HWND window_ = nullptr;
  UINT message_ = 0;
  std::string lostReason_;
  std::string writeFailedReason_;
  std::string openFailedReason_;

  std::int16_t commPort_ = 1;
  std::string settings_ = "9600,N,8,1";
  bool dtr_ = false, rts_ = false;
  std::int16_t handshaking_ = 0;
  std::int16_t commEvent_ = 0;
  std::function<void()> onComm_;
};

}  // namespace tolvane::win32
