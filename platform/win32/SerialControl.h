// The serial control on a Windows COM port. A reader thread only moves received bytes into a
// locked buffer and posts a message; the window hands it back through Deliver() on the
// user-interface thread, which raises OnComm.
#pragma once

#include <atomic>
#include <vector>

#include "platform/SerialControl.h"
#include "platform/win32/Win32.h"

namespace tolvane::win32 {

// The system calls of the serial control that a test stands in for, to make the faults a real
// port shows; the system's own by default.
struct SerialCalls {
  decltype(&::CreateEventA) CreateEventA = ::CreateEventA;
  decltype(&::CreateThread) CreateThread = ::CreateThread;
  decltype(&::CloseHandle) CloseHandle = ::CloseHandle;
  decltype(&::ReadFile) ReadFile = ::ReadFile;
  decltype(&::WriteFile) WriteFile = ::WriteFile;
  decltype(&::WaitCommEvent) WaitCommEvent = ::WaitCommEvent;
  decltype(&::GetCommModemStatus) GetCommModemStatus = ::GetCommModemStatus;
  decltype(&::CancelIoEx) CancelIoEx = ::CancelIoEx;
  decltype(&::PostMessageA) PostMessageA = ::PostMessageA;
};

class SerialControl : public tolvane::SerialControl {
 public:
  explicit SerialControl(const SerialCalls& calls = {});
  ~SerialControl() override;
  SerialControl(const SerialControl&) = delete;
  SerialControl& operator=(const SerialControl&) = delete;

  // Where notifications go: message with wParam the CommEvent.
  void SetNotifyWindow(HWND window, UINT message) {
    window_ = window;
    message_ = message;
  }
  // On the user-interface thread, for each posted notification.
  void Deliver(std::int16_t event);

  Status SetCommPort(std::int16_t port) override;
  Status SetSettings(const std::string& settings) override;
  Status SetDTREnable(bool on) override;
  Status SetRTSEnable(bool on) override;
  Status SetHandshaking(std::int16_t mode) override;
  Status SetPortOpen(bool open) override;
  bool PortOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
  std::int16_t CommEvent() const override { return commEvent_; }
  Status SetInputLen(std::int16_t count) override;
  int InBufferCount() const override;
  std::vector<std::uint8_t> Input() override;
  Status Output(std::string_view bytes) override;
  void SetOnComm(std::function<void()> handler) override { onComm_ = std::move(handler); }
  std::string LostReason() const override;
  std::string WriteFailedReason() const override { return {}; }

 private:
  Status ApplyLine();
  void Close();
  static DWORD WINAPI ReaderThread(void* self);
  void ReadLoop();
  void Post(std::int16_t event);

  const SerialCalls calls_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  HANDLE thread_ = nullptr;
  HANDLE stop_ = nullptr;
  HWND window_ = nullptr;
  UINT message_ = 0;

  mutable CRITICAL_SECTION lock_;
  std::vector<std::uint8_t> received_;  // under lock_
  std::atomic<bool> dataPosted_{false};
  std::string lostReason_;  // under lock_

  std::int16_t commPort_ = 1;
  std::string settings_ = "9600,N,8,1";
  bool dtr_ = false, rts_ = false;
  std::int16_t handshaking_ = 0;
  std::int16_t commEvent_ = 0;
  std::int16_t inputLen_ = 0;
  std::function<void()> onComm_;
};

}  // namespace tolvane::win32
