#include "windows/PortWorker.h"

#include <cstring>

#include "serialsettings/LineSettings.h"

namespace tolvane::win32 {
namespace {

// A notification the window did not take is offered again this often.
constexpr DWORD kPostRetryMs = 50;

struct Locked {
  explicit Locked(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Locked() { LeaveCriticalSection(&cs_); }
  CRITICAL_SECTION& cs_;
};

}  // namespace

Status ApplyLine(HANDLE port, const PortRequest& request) {
  const LineSettings line = ParseLineSettings(request.settings).value_or(LineSettings{});
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) return Status::Fail(ErrorText(GetLastError()));
  const bool hardware = request.handshaking == 2 || request.handshaking == 3;
  const bool software = request.handshaking == 1 || request.handshaking == 3;
  dcb.BaudRate = line.baud;
  dcb.ByteSize = static_cast<BYTE>(line.dataBits);
  dcb.Parity = static_cast<BYTE>(std::string("NOEMS").find(line.parity));  // NOPARITY .. SPACEPARITY
  dcb.StopBits = static_cast<BYTE>(line.stopBitsTimes2 - 2);               // ONESTOPBIT .. TWOSTOPBITS
  dcb.fBinary = TRUE;
  dcb.fParity = line.parity != 'N';
  dcb.fOutxCtsFlow = hardware;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = request.dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = software;
  dcb.fInX = software;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;  // a 0 byte is data like any other
  dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : request.rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
  dcb.fAbortOnError = FALSE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 512;
  dcb.XoffLim = 512;
  if (!SetCommState(port, &dcb)) return Status::Fail(ErrorText(GetLastError()));
  return Status::Ok();
}

PortWorker::PortWorker(const SerialCalls& calls) : calls_(calls) { InitializeCriticalSection(&lock_); }

PortWorker::~PortWorker() {
  if (thread_) CloseHandle(thread_);
  if (wake_) CloseHandle(wake_);
  DeleteCriticalSection(&lock_);
}

std::shared_ptr<PortWorker> PortWorker::Start(const SerialCalls& calls, Status& status) {
  std::shared_ptr<PortWorker> worker(new PortWorker(calls));
  worker->wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  // The thread holds the worker too, so a control that goes first leaves it whole.
  auto* held = new std::shared_ptr<PortWorker>(worker);
  if (worker->wake_) worker->thread_ = CreateThread(nullptr, 0, Main, held, 0, nullptr);
  if (!worker->thread_) {
    status = Status::Fail(ErrorText(GetLastError()));
    delete held;
    return nullptr;
  }
  status = Status::Ok();
  return worker;
}

DWORD WINAPI PortWorker::Main(void* self) {
  auto* held = static_cast<std::shared_ptr<PortWorker>*>(self);
  (*held)->Run();
  delete held;
  return 0;
}

void PortWorker::Push(const Job& job) {
  {
    Locked l(lock_);
    jobs_.push_back(job);
  }
  SetEvent(wake_);
}

void PortWorker::Open(const PortRequest& request) {
  {
    Locked l(lock_);
    wanted_ = request.notify.open;
  }
  Push({nullptr, request});
}

void PortWorker::Abandon(LPARAM open) {
  SerialSession* made = nullptr;
  {
    Locked l(lock_);
    if (wanted_ == open) wanted_ = 0;
    if (ended_.open == open) {
      made = ended_.session;
      ended_ = {};
    }
  }
  if (made) Retire(made);
}

bool PortWorker::Take(LPARAM open, SerialSession*& session, std::string& reason) {
  Locked l(lock_);
  if (ended_.open != open || open == 0) return false;
  session = ended_.session;
  reason = ended_.reason;
  ended_ = {};
  wanted_ = 0;
  return true;
}

void PortWorker::Retire(SerialSession* session) {
  session->RequestStop();
  Push({session, {}});
}

void PortWorker::Quit(DWORD ms) {
  {
    Locked l(lock_);
    quit_ = true;
    wanted_ = 0;
  }
  SetEvent(wake_);
  WaitForSingleObject(thread_, ms);
}

bool PortWorker::Wanted(LPARAM open) {
  Locked l(lock_);
  return wanted_ == open;
}

void PortWorker::Run() {
  for (;;) {
    Job job;
    bool have = false;
    {
      Locked l(lock_);
      if (jobs_.empty() && quit_) return;
      if ((have = !jobs_.empty())) {
        job = jobs_.front();
        jobs_.pop_front();
      }
    }
    if (!have) {
      WaitForSingleObject(wake_, INFINITE);
    } else if (job.retire) {
      job.retire->Stop();
    } else {
      const LPARAM open = job.open.notify.open;
      std::string reason;
      SerialSession* session = Wanted(open) ? OpenPort(job.open, reason) : nullptr;
      Finish(open, session, reason, job.open.notify);
    }
  }
}

// Kept for the control to take, and told; an open given up meanwhile is closed at once.
void PortWorker::Finish(LPARAM open, SerialSession* session, const std::string& reason, const SerialNotify& notify) {
  {
    Locked l(lock_);
    if (wanted_ == open) {
      ended_ = {open, session, reason};
      session = nullptr;
    }
  }
  if (session) {
    session->RequestStop();
    session->Stop();
  }
  while (notify.window && Wanted(open) &&
         !calls_.PostMessageA(notify.window, notify.message, SerialControl::kEvOpened, open))
    Sleep(kPostRetryMs);
}

SerialSession* PortWorker::OpenPort(const PortRequest& request, std::string& reason) {
  // The device namespace reaches COM10 and above as well.
  const std::string name = "\\\\.\\COM" + std::to_string(request.port);
  HANDLE port = calls_.CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    reason = ErrorText(GetLastError());
    return nullptr;
  }
  SetupComm(port, 65536, 65536);
  if (Status s = ApplyLine(port, request); !s) {
    calls_.CloseHandle(port);
    reason = s.description;
    return nullptr;
  }
  // A read returns at once with whatever is there; a write gives up after two seconds. Left as
  // the driver had them, a read could wait for a full buffer, and a short scan never show.
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 10, 2000};
  if (!calls_.SetCommTimeouts(port, &timeouts)) {
    reason = ErrorText(GetLastError());
    calls_.CloseHandle(port);
    return nullptr;
  }
  // The mask before the purge: nothing that arrives afterwards goes unnoticed.
  const bool waitEvents = SetCommMask(port, EV_RXCHAR | EV_DSR) != FALSE;
  PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
  Status status;
  SerialSession* session = SerialSession::Start(calls_, port, waitEvents, request.notify, status);
  if (!session) reason = status.description;
  return session;
}

}  // namespace tolvane::win32
