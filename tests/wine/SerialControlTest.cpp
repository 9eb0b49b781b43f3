// The Windows serial control under Wine, against a pseudo-terminal pair: COM5 is the port the
// control reads, COM6 the scanner's end of the line. The calls in SerialCalls go to stand-ins
// that pass through to the system until a case makes them misbehave as a real port can.
// Usage: serial_control_test <case>
#include "platform/win32/SerialControl.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using tolvane::Status;
using tolvane::win32::ErrorText;
using tolvane::win32::SerialCalls;
using tolvane::win32::SerialControl;

constexpr UINT kSerialMessage = WM_APP + 1;
constexpr ULONG_PTR kStatusPending = 0x103, kStatusCancelled = 0xC0000120u;
enum Waits { kSystemWaits, kRefusedWaits, kHonouredWaits };

// What the stand-ins do and what they saw; the reader thread calls them.
struct Stage {
  DWORD callerThread = GetCurrentThreadId();
  std::atomic<int> eventsMade{0}, failEventAt{0}, reads{0}, waitCalls{0}, closesInside{0}, callerWrites{0};
  std::atomic<int> waits{kSystemWaits};
  std::atomic<DWORD> failThreadWith{0};
  std::atomic<bool> failReads{false}, immediateReads{false}, stickRead{false}, inside{false}, holdWrites{false},
      portClosed{false}, fakeModem{false}, dsr{false};
  std::atomic<HANDLE> port{nullptr};
  std::atomic<OVERLAPPED*> heldWrite{nullptr}, heldWait{nullptr};
  DWORD* waitEvents = nullptr;
  HANDLE stuck = CreateEventA(nullptr, TRUE, FALSE, nullptr), release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CRITICAL_SECTION lock;
  std::set<WPARAM> failFirstPost;  // under lock
  std::map<WPARAM, int> posted;    // under lock
  SerialControl* serial = nullptr;
  Stage() { InitializeCriticalSection(&lock); }
};
Stage g;

void Complete(OVERLAPPED* ov, ULONG_PTR status, ULONG_PTR bytes) {
  ov->InternalHigh = bytes;
  ov->Internal = status;
  SetEvent(ov->hEvent);
}

BOOL Pending(OVERLAPPED* ov, std::atomic<OVERLAPPED*>& slot) {
  ResetEvent(ov->hEvent);
  ov->Internal = kStatusPending;
  slot = ov;
  SetLastError(ERROR_IO_PENDING);
  return FALSE;
}

HANDLE WINAPI MakeEvent(LPSECURITY_ATTRIBUTES security, BOOL manual, BOOL initial, LPCSTR name) {
  if (++g.eventsMade != g.failEventAt) return CreateEventA(security, manual, initial, name);
  SetLastError(ERROR_NO_SYSTEM_RESOURCES);
  return nullptr;
}

HANDLE WINAPI MakeThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start, LPVOID param,
                         DWORD flags, LPDWORD id) {
  if (!g.failThreadWith) return CreateThread(security, stack, start, param, flags, id);
  SetLastError(g.failThreadWith);
  return nullptr;
}

BOOL WINAPI Close(HANDLE h) {
  if (g.inside) ++g.closesInside;
  if (h == g.port) g.portClosed = true;
  return CloseHandle(h);
}

BOOL WINAPI Read(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED ov) {
  g.port = file;
  ++g.reads;
  if (g.stickRead.exchange(false)) {  // a driver call that does not come back until released
    g.inside = true;
    SetEvent(g.stuck);
    WaitForSingleObject(g.release, INFINITE);
    g.inside = false;
  }
  if (g.failReads) {
    SetLastError(ERROR_BAD_COMMAND);
    return FALSE;
  }
  // Windows drivers return at once when nothing is there; Wine's wait for data.
  COMSTAT st{};
  DWORD errors = 0;
  if (g.immediateReads && ClearCommError(file, &errors, &st) && st.cbInQue == 0) {
    Complete(ov, 0, 0);
    return TRUE;
  }
  return ReadFile(file, buffer, size, got, ov);
}

BOOL WINAPI Write(HANDLE file, LPCVOID data, DWORD size, LPDWORD done, LPOVERLAPPED ov) {
  if (GetCurrentThreadId() == g.callerThread) {
    ++g.callerWrites;  // and fails at once, so that a caller that would wait does not hang the test
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  if (g.holdWrites) return Pending(ov, g.heldWrite);  // CTS low: completes only when cancelled
  return WriteFile(file, data, size, done, ov);
}

BOOL WINAPI WaitEvent(HANDLE file, LPDWORD events, LPOVERLAPPED ov) {
  g.port = file;
  ++g.waitCalls;
  if (g.waits == kSystemWaits) return WaitCommEvent(file, events, ov);
  if (g.waits == kRefusedWaits) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  g.waitEvents = events;
  return Pending(ov, g.heldWait);
}

BOOL WINAPI ModemStatus(HANDLE file, LPDWORD status) {
  if (!g.fakeModem) return GetCommModemStatus(file, status);
  *status = g.dsr ? MS_DSR_ON : 0;
  return TRUE;
}

BOOL WINAPI Cancel(HANDLE file, LPOVERLAPPED ov) {
  bool any = false;
  for (auto* slot : {&g.heldWrite, &g.heldWait}) {
    OVERLAPPED* held = *slot;
    if (held && (!ov || ov == held) && slot->compare_exchange_strong(held, nullptr)) {
      Complete(held, kStatusCancelled, 0);
      any = true;
    }
  }
  return CancelIoEx(file, ov) || any;
}

BOOL WINAPI Post(HWND window, UINT message, WPARAM w, LPARAM l) {
  EnterCriticalSection(&g.lock);
  const bool fail = g.failFirstPost.erase(w) > 0;
  LeaveCriticalSection(&g.lock);
  if (fail) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  const BOOL ok = PostMessageA(window, message, w, l);
  EnterCriticalSection(&g.lock);
  g.posted[w] += ok != FALSE;
  LeaveCriticalSection(&g.lock);
  return ok;
}

int Posted(std::int16_t event) {
  EnterCriticalSection(&g.lock);
  const int n = g.posted[static_cast<WPARAM>(event)];
  LeaveCriticalSection(&g.lock);
  return n;
}

int failures = 0;
void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  failures += !ok;
}

// Until done() holds, handling messages or (Await) leaving them queued; false after a bound
// that only a fault reaches.
template <class Done>
bool Until(Done done, DWORD bound = 6000, bool dispatch = true) {
  for (const ULONGLONG end = GetTickCount64() + bound;; Sleep(10)) {
    MSG m;
    while (dispatch && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
  }
}
template <class Done>
bool Await(Done done) { return Until(done, 6000, false); }
void Idle(DWORD ms) { Until([] { return false; }, ms); }

LRESULT CALLBACK Notified(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m != kSerialMessage) return DefWindowProcA(h, m, w, l);
  g.serial->Deliver(static_cast<std::int16_t>(w), l);  // as the main window does
  return 0;
}

// The program above the control, as far as these cases need it.
struct Program {
  SerialControl serial;
  std::vector<std::int16_t> events;
  std::string received;

  Program() : serial(SerialCalls{MakeEvent, MakeThread, Close, Read, Write, WaitEvent, ModemStatus, Cancel, Post}) {
    g.serial = &serial;
    serial.SetOnComm([this] {
      events.push_back(serial.CommEvent());
      if (serial.CommEvent() == SerialControl::kEvReceive)
        for (const auto b : serial.Input()) received += static_cast<char>(b);
    });
    WNDCLASSA wc{};
    wc.lpfnWndProc = Notified;
    wc.lpszClassName = "SerialControlTest";
    RegisterClassA(&wc);
    serial.SetNotifyWindow(CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr),
                           kSerialMessage);
    Check(serial.SetCommPort(5).ok, "COM5 named");
  }
  Status Open() { return serial.SetPortOpen(true); }
  int Count(std::int16_t event) const {
    int n = 0;
    for (const auto e : events) n += e == event;
    return n;
  }
};

// The scanner's end of the line; its reads return at once.
struct Scanner {
  HANDLE h = CreateFileA("\\\\.\\COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  COMMTIMEOUTS immediate{MAXDWORD, 0, 0, 0, 0};
  std::string heard;
  Scanner() { SetCommTimeouts(h, &immediate); }
  ~Scanner() { CloseHandle(h); }
  void Send(const std::string& bytes) {
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  }
  std::string Hear() {
    char buffer[256];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) heard.append(buffer, n);
    return heard;
  }
};

void close_keeps_handles_of_a_stuck_reader() {
  g.immediateReads = true;
  Program p;
  Check(p.Open().ok, "opens");
  g.stickRead = true;
  Check(WaitForSingleObject(g.stuck, 6000) == WAIT_OBJECT_0, "the reader is stuck in a read");
  Check(p.serial.SetPortOpen(false).ok, "closes");
  Check(!p.serial.PortOpen(), "closed without waiting for the stuck reader");
  Check(g.closesInside == 0, "no handle closed while the reader is inside a call");
  SetEvent(g.release);
  Check(Await([] { return g.portClosed.load(); }), "the reader closes the port when it comes back");
  Check(p.Open().ok, "the port opens again");
}

void failed_thread_or_event_fails_the_open() {
  Program p;
  g.failThreadWith = ERROR_NOT_ENOUGH_MEMORY;
  Status s = p.Open();
  Check(!s && s.description == ErrorText(ERROR_NOT_ENOUGH_MEMORY) && !p.serial.PortOpen(),
        "no reader thread: the open fails with the system's reason");
  g.failThreadWith = 0;
  for (int n = 1;; ++n) {  // the n-th event of the open cannot be made
    g.eventsMade = 0;
    g.failEventAt = n;
    s = p.Open();
    if (g.eventsMade < n) break;
    Check(!s && s.description == ErrorText(ERROR_NO_SYSTEM_RESOURCES) && !p.serial.PortOpen(),
          "event " + std::to_string(n) + " not made: the open fails with the system's reason");
    if (s) return;
  }
  Check(s.ok, "with every event made the port opens");
  Scanner scanner;
  scanner.Send("ok");
  Check(Until([&] { return p.received == "ok"; }), "and reads");
}

void notices_of_an_earlier_open_are_ignored() {
  g.immediateReads = true;
  Program p;
  Scanner scanner;
  Check(p.Open().ok, "opens");
  scanner.Send("A");
  Check(Await([] { return Posted(SerialControl::kEvReceive) > 0; }), "data posted");
  g.failReads = true;
  Check(Await([] { return Posted(SerialControl::kEvDeviceLost) > 0; }), "device lost posted");
  // Neither is handled before the port is closed and opened again.
  Check(p.serial.SetPortOpen(false).ok, "closes");
  g.failReads = false;
  Check(p.Open().ok, "opens again");
  Idle(300);
  Check(p.events.empty() && p.serial.PortOpen(), "no notification of the earlier open reaches the program");
  scanner.Send("B");
  Check(Until([&] { return p.received == "B"; }), "the new open reads");
}

void failed_posts_are_retried() {
  g.immediateReads = g.fakeModem = true;
  g.failFirstPost = {SerialControl::kEvReceive, SerialControl::kEvDSR, SerialControl::kEvDeviceLost};
  Program p;
  Scanner scanner;
  Check(p.Open().ok, "opens");
  scanner.Send("AB");
  Check(Until([&] { return p.received == "AB"; }), "data arrives although its first notice was not posted");
  scanner.Send("CD");
  Check(Until([&] { return p.received == "ABCD"; }), "and later data too");
  g.dsr = true;
  Check(Until([&] { return p.Count(SerialControl::kEvDSR) == 1; }), "a DSR change arrives");
  g.failReads = true;
  Check(Until([&] { return p.Count(SerialControl::kEvDeviceLost) == 1; }), "a lost device is reported");
}

bool RaiseWait(DWORD events) {
  if (!Until([] { return g.heldWait.load() != nullptr; })) return false;
  *g.waitEvents = events;
  Complete(g.heldWait.exchange(nullptr), 0, sizeof(DWORD));
  return true;
}

void waits_on_events_or_polls() {
  // Wine's pseudo-terminals accept the wait and abort it moments later; a driver may also
  // refuse it at once. Either way the port is read without waits, and they are not asked again.
  for (const Waits w : {kSystemWaits, kRefusedWaits}) {
    const std::string name = w == kSystemWaits ? "Wine's waits: " : "refused waits: ";
    g.waits = w;
    Program p;
    Scanner scanner;
    const int waits = g.waitCalls;
    Check(p.Open().ok && Until([&] { return g.waitCalls > waits; }), name + "asks the driver to wait");
    scanner.Send("P");
    Check(Until([&] { return p.received == "P"; }), name + "reads without");
    Check(g.waitCalls == waits + 1, name + "does not ask again");
  }
  // A driver that honours the wait: nothing runs at idle, and a pulse of DSR is two changes.
  g.waits = kHonouredWaits;
  g.fakeModem = true;
  Program p;
  Scanner scanner;
  const int reads = g.reads;
  Check(p.Open().ok && Until([] { return g.heldWait.load() != nullptr; }), "waits for an event");
  Idle(300);
  Check(g.reads == reads, "no reads while idle");
  Check(RaiseWait(EV_DSR) && Until([&] { return p.Count(SerialControl::kEvDSR) == 2; }), "a DSR pulse: two changes");
  g.dsr = true;
  Check(RaiseWait(EV_DSR) && Until([&] { return p.Count(SerialControl::kEvDSR) == 3; }), "DSR on: one change");
  scanner.Send("EV");
  Check(Until([] {
          COMSTAT st{};
          DWORD errors = 0;
          return ClearCommError(g.port, &errors, &st) && st.cbInQue >= 2;
        }) && g.reads == reads,
        "bytes at the port are not read before the driver says so");
  Check(RaiseWait(EV_RXCHAR) && Until([&] { return p.received == "EV"; }), "then they are");
  Idle(100);
  Check(p.Count(SerialControl::kEvDSR) == 3, "no other DSR changes");
}

void writes_never_block_the_caller() {
  Program p;
  Scanner scanner;
  Check(p.serial.Output("x").description == "Operation valid only when the port is open", "a closed port refuses");
  Check(p.Open().ok, "opens");
  for (const char* bytes : {"A", "BC", "D"}) Check(p.serial.Output(bytes).ok, "output taken");
  Check(Until([&] { return scanner.Hear() == "ABCD"; }), "bytes go out in order");
  g.holdWrites = true;  // the scanner is off
  Check(p.serial.Output("X").ok, "output is taken at once");
  scanner.Send("Q");
  Check(Until([&] { return p.received == "Q"; }), "reading goes on under a pending write");
  Check(Until([&] { return p.Count(SerialControl::kEvWriteFailed) > 0; }) && p.serial.WriteFailedReason() != "" &&
            p.serial.PortOpen(),
        "the write is dropped and reported with a reason; the port stays open");
  int refused = 0;
  for (int i = 0; i < 100; ++i) refused += !p.serial.Output(std::string(1024, 'z'));
  Check(refused > 0, "the queue is bounded");
  Check(g.callerWrites == 0, "nothing is written on the caller's thread");
  Check(p.serial.SetPortOpen(false).ok, "closes");
  g.holdWrites = false;
  Check(p.Open().ok, "closes under a pending write and opens again");
  Check(p.serial.Output("E").ok, "output taken");
  Check(Until([&] { return scanner.Hear().back() == 'E'; }), "and writes");
}

}  // namespace

int main(int argc, char** argv) {
  const std::map<std::string, void (*)()> cases{
      {"close_keeps_handles_of_a_stuck_reader", close_keeps_handles_of_a_stuck_reader},
      {"failed_thread_or_event_fails_the_open", failed_thread_or_event_fails_the_open},
      {"notices_of_an_earlier_open_are_ignored", notices_of_an_earlier_open_are_ignored},
      {"failed_posts_are_retried", failed_posts_are_retried},
      {"waits_on_events_or_polls", waits_on_events_or_polls},
      {"writes_never_block_the_caller", writes_never_block_the_caller},
  };
  const auto it = argc == 2 ? cases.find(argv[1]) : cases.end();
  if (it == cases.end()) return 2;
  it->second();
  std::fflush(stdout);
  return failures ? 1 : 0;
}
