#include "windows/SerialSession.h"

#include <dbt.h>

#include <algorithm>

#include "platform/SerialControl.h"

namespace tolvane::win32 {
namespace {

constexpr DWORD kStopWaitMs = 2000;
// A driver that refuses WaitCommEvent is read every few milliseconds instead.
constexpr DWORD kPollMs = 5;
constexpr DWORD kReadRetryMs = 100;
constexpr int kReadFailuresLost = 3;
// A notification the window did not take is offered again this often.
constexpr DWORD kPostRetryMs = 50;

const char* const kWriteTimedOut = "Write timed out";
const char* const kOutputFull = "The output buffer is full";

struct Locked {
  explicit Locked(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Locked() { LeaveCriticalSection(&cs_); }
  CRITICAL_SECTION& cs_;
};

}  // namespace

SerialSession::SerialSession(const SerialCalls& calls, HANDLE port, bool waitEvents, const SerialNotify& notify)
    : calls_(calls), port_(port), notify_(notify), events_(waitEvents) {
  InitializeCriticalSection(&lock_);
}

SerialSession::~SerialSession() {
  for (HANDLE h : {thread_, stop_, wake_, readOv_.hEvent, waitOv_.hEvent, writeOv_.hEvent})
    if (h) calls_.CloseHandle(h);
  if (removal_) calls_.UnregisterDeviceNotification(removal_);  // while the handle is still its own
  calls_.CloseHandle(port_);
  DeleteCriticalSection(&lock_);
}

SerialSession* SerialSession::Start(const SerialCalls& calls, HANDLE port, bool waitEvents, const SerialNotify& notify,
                                    Status& status) {
  auto* s = new SerialSession(calls, port, waitEvents, notify);
  for (auto [event, manual] : {std::pair{&s->stop_, TRUE},
                               {&s->wake_, FALSE},
                               {&s->readOv_.hEvent, TRUE},
                               {&s->waitOv_.hEvent, TRUE},
                               {&s->writeOv_.hEvent, TRUE}}) {
    *event = calls.CreateEventA(nullptr, manual, FALSE, nullptr);
    if (!*event) {
      status = Status::Fail(ErrorText(GetLastError()));
      delete s;
      return nullptr;
    }
  }
  // Without it a removed adapter is still noticed, later, through failed reads.
  if (notify.window) {
    DEV_BROADCAST_HANDLE filter{};
    filter.dbch_size = sizeof filter;
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = port;
    s->removal_ = calls.RegisterDeviceNotificationA(notify.window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  s->holders_ = 2;
  s->thread_ = calls.CreateThread(nullptr, 0, Main, s, 0, nullptr);
  if (!s->thread_) {
    status = Status::Fail(ErrorText(GetLastError()));
    delete s;
    return nullptr;
  }
  status = Status::Ok();
  return s;
}

void SerialSession::Stop() {
  SetEvent(stop_);
  if (WaitForSingleObject(thread_, kStopWaitMs) != WAIT_OBJECT_0) {
    // Stuck in a driver call: knock it loose where the driver lets us. Either way the reader
    // still holds the session and closes the handles itself once it comes back.
    CancelSynchronousIo(thread_);
    calls_.CancelIoEx(port_, nullptr);
  }
  Release();
}

void SerialSession::Release() {
  if (--holders_ == 0) delete this;
}

DWORD WINAPI SerialSession::Main(void* self) {
  auto* s = static_cast<SerialSession*>(self);
  s->Run();
  s->Release();
  return 0;
}

int SerialSession::Waiting() const {
  Locked l(lock_);
  return static_cast<int>(received_.size());
}

std::vector<std::uint8_t> SerialSession::Take(std::size_t max) {
  Locked l(lock_);
  std::vector<std::uint8_t> out;
  if (max == 0 || max >= received_.size()) {
    out.swap(received_);
  } else {
    out.assign(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(max));
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(max));
  }
  return out;
}

Status SerialSession::Queue(std::string_view bytes) {
  if (bytes.empty()) return Status::Ok();
  bool full;
  {
    Locked l(lock_);
    full = outgoingBytes_ + bytes.size() > SerialControl::kMaxQueued;
    if (full) {
      writeFailedReason_ = kOutputFull;
    } else {
      outgoing_.push_back({std::string(bytes), GetTickCount64() + SerialControl::kWriteBound.count()});
      outgoingBytes_ += bytes.size();
    }
  }
  if (full) writeFailOwed_ = true;
  SetEvent(wake_);
  return full ? Status::Fail(kOutputFull) : Status::Ok();
}

std::string SerialSession::LostReason() const {
  Locked l(lock_);
  return lostReason_;
}

std::string SerialSession::WriteFailedReason() const {
  Locked l(lock_);
  return writeFailedReason_;
}

void SerialSession::Run() {
  DWORD modem = 0;
  modemKnown_ = calls_.GetCommModemStatus(port_, &modem) != FALSE;
  lastModem_ = modem;
  if (!events_) FallBackToPolling(GetTickCount64());
  for (;;) {
    ULONGLONG now = GetTickCount64();
    if (!lost_) {
      if (events_ && !waitPending_) StartWait();
      if (readWanted_ && !readPending_ && now >= nextRead_) StartRead(now);
      if (!events_ && modemKnown_) PollModem();
    }
    StartWrites(now);
    PostOwed();

    HANDLE handles[5] = {stop_, wake_};
    DWORD count = 2;
    if (readPending_) handles[count++] = readOv_.hEvent;
    if (waitPending_) handles[count++] = waitOv_.hEvent;
    if (writePending_) handles[count++] = writeOv_.hEvent;
    const DWORD woke = WaitForMultipleObjects(count, handles, FALSE, Timeout(now));
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_FAILED) WaitForSingleObject(stop_, kPollMs);  // never spin
    now = GetTickCount64();
    if (readPending_) FinishRead(now);
    if (waitPending_) FinishWait();
    if (writePending_) FinishWrite(now);
  }
  CancelPending();
}

DWORD SerialSession::Timeout(ULONGLONG now) const {
  ULONGLONG wait = INFINITE;
  auto until = [&](ULONGLONG when) { wait = std::min(wait, when > now ? when - now : 0); };
  if (!lost_ && readWanted_ && !readPending_) until(nextRead_);
  if (!lost_ && !events_ && modemKnown_) until(now + kPollMs);
  if (Owed()) until(now + kPostRetryMs);
  if (writePending_ && !writeCancelled_) until(writeDeadline_);
  return static_cast<DWORD>(wait);
}

// Each operation starts with its event cleared: a signal left from the last one would make
// the loop spin on an operation still pending.
void SerialSession::StartWait() {
  eventMask_ = 0;
  ResetEvent(waitOv_.hEvent);
  if (calls_.WaitCommEvent(port_, &eventMask_, &waitOv_) || GetLastError() == ERROR_IO_PENDING) {
    waitPending_ = true;
    FinishWait();
  } else {
    FallBackToPolling(GetTickCount64());
  }
}

// A wait that fails or completes with no event means a driver that does not honour
// WaitCommEvent (Wine's pseudo-terminals accept it and abort it moments later); a device that
// has gone away fails the same way, and the polling reads then report it.
void SerialSession::FinishWait() {
  DWORD n = 0;
  const BOOL ok = GetOverlappedResult(port_, &waitOv_, &n, FALSE);
  if (!ok && GetLastError() == ERROR_IO_INCOMPLETE) return;
  waitPending_ = false;
  const ULONGLONG now = GetTickCount64();
  if (!ok || eventMask_ == 0) return FallBackToPolling(now);
  if (eventMask_ & EV_RXCHAR) {
    readWanted_ = true;
    nextRead_ = std::min(nextRead_, now);
  }
  if (eventMask_ & EV_DSR) {
    DWORD modem = 0;
    if (calls_.GetCommModemStatus(port_, &modem)) {
      // The same state again after a change means it went and came back: two changes.
      dsrOwed_ += (modem ^ lastModem_) & MS_DSR_ON ? 1 : 2;
      lastModem_ = modem;
    } else {
      ++dsrOwed_;
    }
  }
}

void SerialSession::FallBackToPolling(ULONGLONG now) {
  events_ = false;
  readWanted_ = true;
  nextRead_ = now;
}

void SerialSession::StartRead(ULONGLONG now) {
  ResetEvent(readOv_.hEvent);
  if (calls_.ReadFile(port_, buffer_, sizeof buffer_, nullptr, &readOv_) || GetLastError() == ERROR_IO_PENDING) {
    readPending_ = true;
    FinishRead(now);
  } else {
    Received(FALSE, 0, GetLastError(), now);
  }
}

void SerialSession::FinishRead(ULONGLONG now) {
  DWORD n = 0;
  const BOOL ok = GetOverlappedResult(port_, &readOv_, &n, FALSE);
  if (!ok && GetLastError() == ERROR_IO_INCOMPLETE) return;
  readPending_ = false;
  Received(ok, n, ok ? 0 : GetLastError(), now);
}

void SerialSession::Received(BOOL ok, DWORD n, DWORD error, ULONGLONG now) {
  if (!ok) {
    // The device is gone; say so once and stop reading, without spinning.
    if (++readFailures_ == kReadFailuresLost) {
      {
        Locked l(lock_);
        lostReason_ = ErrorText(error);
      }
      lost_ = lostOwed_ = true;
    }
    nextRead_ = now + kReadRetryMs;
    return;
  }
  readFailures_ = 0;
  if (n > 0) {
    Locked l(lock_);
    received_.insert(received_.end(), buffer_, buffer_ + n);
  }
  // A full buffer is read again at once; otherwise events say when, or the poll comes round.
  readWanted_ = n == sizeof buffer_ || !events_;
  nextRead_ = n == sizeof buffer_ ? now : now + kPollMs;
}

void SerialSession::PollModem() {
  DWORD modem = 0;
  if (!calls_.GetCommModemStatus(port_, &modem)) return;
  if ((modem ^ lastModem_) & MS_DSR_ON) ++dsrOwed_;
  lastModem_ = modem;
}

void SerialSession::StartWrites(ULONGLONG now) {
  while (!writePending_) {
    Outgoing next;
    {
      Locked l(lock_);
      if (outgoing_.empty()) return;
      next = std::move(outgoing_.front());
      outgoing_.pop_front();
      outgoingBytes_ -= next.bytes.size();
    }
    if (now >= next.deadline) {
      WriteFailed(kWriteTimedOut);
      continue;
    }
    writing_ = std::move(next.bytes);
    writeDeadline_ = next.deadline;
    writeCancelled_ = false;
    ResetEvent(writeOv_.hEvent);
    if (calls_.WriteFile(port_, writing_.data(), static_cast<DWORD>(writing_.size()), nullptr, &writeOv_) ||
        GetLastError() == ERROR_IO_PENDING) {
      writePending_ = true;
      FinishWrite(now);
    } else {
      WriteFailed(ErrorText(GetLastError()));
    }
  }
}

void SerialSession::FinishWrite(ULONGLONG now) {
  DWORD n = 0;
  const BOOL ok = GetOverlappedResult(port_, &writeOv_, &n, FALSE);
  if (!ok && GetLastError() == ERROR_IO_INCOMPLETE) {
    if (!writeCancelled_ && now >= writeDeadline_) {
      writeCancelled_ = true;
      calls_.CancelIoEx(port_, &writeOv_);  // completes as aborted; reaped on a later pass
    }
    return;
  }
  writePending_ = false;
  if (!ok)
    WriteFailed(writeCancelled_ ? kWriteTimedOut : ErrorText(GetLastError()));
  else if (n < writing_.size())
    WriteFailed(kWriteTimedOut);  // the driver's own write timeout
}

void SerialSession::WriteFailed(const std::string& reason) {
  {
    Locked l(lock_);
    writeFailedReason_ = reason;
  }
  writeFailOwed_ = true;
}

bool SerialSession::Post(std::int16_t event) {
  if (!notify_.window) return true;
  return calls_.PostMessageA(notify_.window, notify_.message, static_cast<WPARAM>(event), notify_.open) != FALSE;
}

// Each notification that could not be posted stays owed and is offered again on a later pass.
void SerialSession::PostOwed() {
  if (Waiting() > 0 && !dataPosted_.exchange(true) && !Post(SerialControl::kEvReceive)) dataPosted_ = false;
  while (dsrOwed_ > 0 && Post(SerialControl::kEvDSR)) --dsrOwed_;
  if (lostOwed_ && Post(SerialControl::kEvDeviceLost)) lostOwed_ = false;
  if (writeFailOwed_.exchange(false) && !Post(SerialControl::kEvWriteFailed)) writeFailOwed_ = true;
}

bool SerialSession::Owed() const {
  return (!dataPosted_ && Waiting() > 0) || dsrOwed_ > 0 || lostOwed_ || writeFailOwed_;
}

void SerialSession::CancelPending() {
  DWORD n = 0;
  for (auto [pending, ov] : {std::pair{readPending_, &readOv_}, {waitPending_, &waitOv_}, {writePending_, &writeOv_}}) {
    if (!pending) continue;
    calls_.CancelIoEx(port_, ov);
    GetOverlappedResult(port_, ov, &n, TRUE);  // the buffers must outlive the operation
  }
}

}  // namespace tolvane::win32
