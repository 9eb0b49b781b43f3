// One open COM port and its reader thread. The thread waits on the device, moves received bytes
// into a locked buffer, writes queued bytes, and posts notifications tagged with the open they
// belong to; the user-interface thread takes bytes, queues writes and lets go when it closes.
// Whichever side lets go last closes the handles, so a reader stuck in a driver call never has
// them closed under it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"
#include "windows/Win32.h"

namespace tolvane::win32 {

// The system calls of the serial control that a test stands in for, to make the faults a real
// port shows; the system's own by default.
struct SerialCalls {
  decltype(&::CreateFileA) CreateFileA = ::CreateFileA;
  decltype(&::CreateEventA) CreateEventA = ::CreateEventA;
  decltype(&::CreateThread) CreateThread = ::CreateThread;
  decltype(&::CloseHandle) CloseHandle = ::CloseHandle;
  decltype(&::ReadFile) ReadFile = ::ReadFile;
  decltype(&::WriteFile) WriteFile = ::WriteFile;
  decltype(&::WaitCommEvent) WaitCommEvent = ::WaitCommEvent;
  decltype(&::GetCommModemStatus) GetCommModemStatus = ::GetCommModemStatus;
  decltype(&::CancelIoEx) CancelIoEx = ::CancelIoEx;
  decltype(&::PostMessageA) PostMessageA = ::PostMessageA;
  decltype(&::SetCommTimeouts) SetCommTimeouts = ::SetCommTimeouts;
  decltype(&::RegisterDeviceNotificationA) RegisterDeviceNotificationA = ::RegisterDeviceNotificationA;
  decltype(&::UnregisterDeviceNotification) UnregisterDeviceNotification = ::UnregisterDeviceNotification;
};

// Where notifications go: message with wParam the event and lParam the open.
struct SerialNotify {
  HWND window = nullptr;
  UINT message = 0;
  LPARAM open = 0;
};

class SerialSession {
 public:
  // Takes the open port handle and starts the reader; waitEvents says SetCommMask took. The
  // notify window hears of the device's removal (WM_DEVICECHANGE) for as long as the session
  // holds the handle. On failure returns nullptr with the system's reason, the handle closed.
  static SerialSession* Start(const SerialCalls& calls, HANDLE port, bool waitEvents, const SerialNotify& notify,
                              Status& status);
  // The reader is told to stop, and ends soon.
  void RequestStop() { SetEvent(stop_); }
  // The owner lets go: the reader is told to stop and given a while to end. Not on the
  // user-interface thread, which a stuck reader would hold up.
  void Stop();

  HANDLE Port() const { return port_; }
  LPARAM Open() const { return notify_.open; }
  // A posted receive notification was handled: data arriving from now on posts again.
  void ReceiveDelivered() { dataPosted_ = false; }
  int Waiting() const;
  // Up to max waiting bytes (0: all), removed from the buffer.
  std::vector<std::uint8_t> Take(std::size_t max);
  // Queues bytes for the reader to write; fails when the queue is full.
  Status Queue(std::string_view bytes);
  std::string LostReason() const;
  std::string WriteFailedReason() const;

 private:
  struct Outgoing {
    std::string bytes;
    ULONGLONG deadline;
  };

  SerialSession(const SerialCalls& calls, HANDLE port, bool waitEvents, const SerialNotify& notify);
  ~SerialSession();
  void Release();
  static DWORD WINAPI Main(void* self);

  // The reader thread's own.
  void Run();
  void StartWait();
  void FinishWait();
  void FallBackToPolling(ULONGLONG now);
  void StartRead(ULONGLONG now);
  void FinishRead(ULONGLONG now);
  void Received(BOOL ok, DWORD n, DWORD error, ULONGLONG now);
  void PollModem();
  void StartWrites(ULONGLONG now);
  void FinishWrite(ULONGLONG now);
  void WriteFailed(const std::string& reason);
  void PostOwed();
  bool Owed() const;
  bool Post(std::int16_t event);
  DWORD Timeout(ULONGLONG now) const;
  void CancelPending();

  const SerialCalls calls_;
  const HANDLE port_;
  const SerialNotify notify_;
  HANDLE thread_ = nullptr;
  HANDLE stop_ = nullptr;
  HANDLE wake_ = nullptr;  // bytes queued
  HDEVNOTIFY removal_ = nullptr;
  std::atomic<int> holders_{1};

  mutable CRITICAL_SECTION lock_;
  std::vector<std::uint8_t> received_;  // under lock_
  std::deque<Outgoing> outgoing_;       // under lock_
  std::size_t outgoingBytes_ = 0;       // under lock_
  std::string lostReason_;              // under lock_
  std::string writeFailedReason_;       // under lock_
  std::atomic<bool> dataPosted_{false};
  std::atomic<bool> writeFailOwed_{false};

  OVERLAPPED readOv_{}, waitOv_{}, writeOv_{};
  bool events_;  // waiting with WaitCommEvent; otherwise polling reads
  bool readPending_ = false, waitPending_ = false, writePending_ = false;
  bool readWanted_ = false, writeCancelled_ = false, lost_ = false, lostOwed_ = false, modemKnown_ = false;
  int readFailures_ = 0, dsrOwed_ = 0;
  DWORD eventMask_ = 0, lastModem_ = 0;
  ULONGLONG nextRead_ = 0, writeDeadline_ = 0;
  std::string writing_;
  std::uint8_t buffer_[4096];
};

}  // namespace tolvane::win32
