// The thread that opens and closes COM ports for a SerialControl: one job at a time, in the order
// asked, so a port is let go before it is opened again. The user-interface thread only queues
// jobs, gives up opens it no longer wants, and takes what an ended open made.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "windows/SerialControl.h"

namespace tolvane::win32 {

// The line settings and flow control of a request, on an open port.
Status ApplyLine(HANDLE port, const PortRequest& line);

class PortWorker {
 public:
  // The worker and its thread; null, with the system's reason, when the thread cannot be made.
  static std::shared_ptr<PortWorker> Start(const SerialCalls& calls, Status& status);
  ~PortWorker();
  PortWorker(const PortWorker&) = delete;
  PortWorker& operator=(const PortWorker&) = delete;

  // Queues the open request.notify.open; its window is posted kEvOpened with that number once
  // the open has ended, well or not.
  void Open(const PortRequest& request);
  // That open is no longer wanted: it is not made, or the port it made is closed unseen.
  void Abandon(LPARAM open);
  // What the ended open made: true with its session, or with none and the reason it failed;
  // false when that open has not ended or was given up.
  bool Take(LPARAM open, SerialSession*& session, std::string& reason);
  // The session's reader is told to stop at once; the worker waits for it and lets go.
  void Retire(SerialSession* session);
  // The thread ends once the jobs queued are done; waits up to ms for that.
  void Quit(DWORD ms);

 private:
  struct Job {
    SerialSession* retire = nullptr;  // otherwise an open
    PortRequest open;
  };
  struct Ended {
    LPARAM open = 0;
    SerialSession* session = nullptr;
    std::string reason;
  };

  explicit PortWorker(const SerialCalls& calls);
  static DWORD WINAPI Main(void* self);
  void Run();
  void Push(const Job& job);
  SerialSession* OpenPort(const PortRequest& request, std::string& reason);
  void Finish(LPARAM open, SerialSession* session, const std::string& reason, const SerialNotify& notify);
  bool Wanted(LPARAM open);

  const SerialCalls calls_;
  HANDLE wake_ = nullptr;
  HANDLE thread_ = nullptr;
  CRITICAL_SECTION lock_;
  std::deque<Job> jobs_;  // under lock_
  LPARAM wanted_ = 0;     // under lock_: the open the control waits for
  Ended ended_;           // under lock_: that open, once ended and not yet taken
  bool quit_ = false;     // under lock_
};

}  // namespace tolvane::win32
