// The Windows serial control under Wine, against a pseudo-terminal pair: COM5 is the port the
// control reads; the scanner's end of the line is opened by its path. The calls in SerialCalls go
// to stand-ins that pass through to the system until a case makes them misbehave as a real port can.
// Runs one case of its own or of the serial contract. The script that runs it takes the line away
// and brings it back when asked with a line "bed: unplug" or "bed: replug" on standard output.
// Usage: serial_control_test <case> <scanner's end> <COM5's end>
#include "windows/SerialControl.h"

#include <dbt.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "tests/contract/SerialContract.h"

namespace {

using tolvane::win32::SerialControl;

constexpr UINT kNotice = WM_APP + 1;
constexpr ULONG_PTR kStatusPending = 0x103, kStatusCancelled = 0xC0000120u;

// The calls a case makes fail, each with a reason a real system gives.
enum Call { kEvent, kThread, kRead, kWait, kTimeouts, kCalls };
const DWORD kErrors[] = {ERROR_NO_SYSTEM_RESOURCES, ERROR_NOT_ENOUGH_MEMORY, ERROR_BAD_COMMAND, ERROR_NOT_SUPPORTED,
                         ERROR_INVALID_FUNCTION};

// What the stand-ins do and what they saw; the reader thread calls them.
struct Stage {
  DWORD caller = GetCurrentThreadId();
  // A call fails from its failFrom-th on; 0: never.
  std::atomic<int> calls[kCalls]{}, failFrom[kCalls]{}, closesInside{};
  std::atomic<bool> immediateReads{}, stickRead{}, inside{}, holdWrites{}, honourWaits{}, dsr{}, portClosed{};
  std::atomic<bool> holdOpen{}, openReturned{};
  std::atomic<int> portsOpen{};
  std::atomic<HANDLE> port{};
  // The handle watched for removal, and for which window; whether it was let go while still open.
  std::atomic<HANDLE> watched{};
  std::atomic<HWND> watcher{};
  std::atomic<int> watches{}, unwatchedOpen{};
  std::atomic<OVERLAPPED*> heldWrite{}, heldWait{};
  DWORD* waitEvents = nullptr;
  std::set<WPARAM> refuseFirstPost;  // set before the open
} g;

// Counts a call; true, with the reason set, from the call on that the case makes fail.
bool Fails(Call c) {
  if (++g.calls[c] < g.failFrom[c] || g.failFrom[c] == 0) return false;
  SetLastError(kErrors[c]);
  return true;
}

BOOL Complete(OVERLAPPED* ov, ULONG_PTR status) {
  ov->InternalHigh = 0;
  ov->Internal = status;
  return SetEvent(ov->hEvent);
}

// An operation the driver keeps pending until the case completes it or it is cancelled.
BOOL Hold(OVERLAPPED* ov, std::atomic<OVERLAPPED*>& slot) {
  ResetEvent(ov->hEvent);
  ov->Internal = kStatusPending;
  slot = ov;
  SetLastError(ERROR_IO_PENDING);
  return FALSE;
}

DWORD Queued(HANDLE port) {
  COMSTAT st{};
  DWORD errors = 0;
  return ClearCommError(port, &errors, &st) ? st.cbInQue : 0;
}

// An event or a thread, unless the case makes the call fail.
template <Call c, auto make, typename... Args>
HANDLE WINAPI Create(Args... args) {
  return Fails(c) ? nullptr : make(args...);
}

// The port's own handles, told from the others by what GetFileType says of a COM port.
bool IsPort(HANDLE h) { return GetFileType(h) == FILE_TYPE_CHAR; }

BOOL WINAPI CloseStandIn(HANDLE h) {
  if (g.inside) ++g.closesInside;
  if (IsPort(h)) --g.portsOpen;
  if (h == g.port) g.portClosed = true;
  return CloseHandle(h);
}

// A driver that takes its time, as a Bluetooth port connecting its radio does: held until
// released, or for 5 s at most.
HANDLE WINAPI OpenStandIn(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD how, DWORD flags,
                          HANDLE model) {
  for (const ULONGLONG end = GetTickCount64() + 5000; g.holdOpen && GetTickCount64() < end;) Sleep(1);
  const HANDLE h = CreateFileA(name, access, share, sa, how, flags, model);
  if (h != INVALID_HANDLE_VALUE) ++g.portsOpen;
  g.openReturned = true;
  return h;
}

BOOL WINAPI Read(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED ov) {
  // A driver call stuck until released, or for 1 s at most.
  for (const ULONGLONG end = GetTickCount64() + 1000; g.stickRead && GetTickCount64() < end; Sleep(1)) g.inside = true;
  g.inside = false;
  if (Fails(kRead)) return FALSE;
  // Windows drivers return at once when nothing is there; Wine's wait for data.
  if (g.immediateReads && Queued(file) == 0) return Complete(ov, 0);
  return ReadFile(file, buffer, size, got, ov);
}

BOOL WINAPI Write(HANDLE file, LPCVOID data, DWORD size, LPDWORD done, LPOVERLAPPED ov) {
  // On the caller's thread it fails at once: a caller that waits hangs no test, and the contract
  // finds the output missing.
  if (GetCurrentThreadId() == g.caller) return FALSE;
  // Held while CTS is low: it completes only when cancelled.
  return g.holdWrites ? Hold(ov, g.heldWrite) : WriteFile(file, data, size, done, ov);
}

BOOL WINAPI WaitEvent(HANDLE file, LPDWORD events, LPOVERLAPPED ov) {
  if (Fails(kWait)) return FALSE;
  if (!g.honourWaits) return WaitCommEvent(file, events, ov);
  g.waitEvents = events;
  return Hold(ov, g.heldWait);
}

// The line's DSR as the case sets it; each reader asks first, which names its port.
BOOL WINAPI ModemStatus(HANDLE file, LPDWORD status) {
  g.port = file;
  *status = g.dsr ? MS_DSR_ON : 0;
  return TRUE;
}

BOOL WINAPI Cancel(HANDLE file, LPOVERLAPPED ov) {
  for (auto* slot : {&g.heldWrite, &g.heldWait})
    if (OVERLAPPED* held = *slot; held && (!ov || ov == held) && slot->compare_exchange_strong(held, nullptr))
      Complete(held, kStatusCancelled);
  return CancelIoEx(file, ov);
}

BOOL WINAPI Post(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (!g.refuseFirstPost.erase(w)) return PostMessageA(window, message, w, l);
  SetLastError(ERROR_NOT_ENOUGH_QUOTA);
  return FALSE;
}

BOOL WINAPI Timeouts(HANDLE file, LPCOMMTIMEOUTS timeouts) {
  return Fails(kTimeouts) ? FALSE : SetCommTimeouts(file, timeouts);
}

// Wine keeps no watch on a pseudo-terminal's handle: the case raises the removal itself.
HDEVNOTIFY WINAPI Watch(HANDLE recipient, LPVOID filter, DWORD flags) {
  const auto* f = static_cast<const DEV_BROADCAST_HANDLE*>(filter);
  if (flags != DEVICE_NOTIFY_WINDOW_HANDLE || f->dbch_devicetype != DBT_DEVTYP_HANDLE) return nullptr;
  g.watched = f->dbch_handle;
  g.watcher = static_cast<HWND>(recipient);
  ++g.watches;
  return &g.watched;
}

BOOL WINAPI Unwatch(HDEVNOTIFY watch) {
  if (watch == &g.watched && IsPort(g.watched)) ++g.unwatchedOpen;
  return TRUE;
}

int failures = 0;
bool Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  failures += !ok;
  return ok;
}

// Whether the folder lists the name: Wine cannot tell a pseudo-terminal's attributes.
bool Exists(const std::string& path) {
  WIN32_FIND_DATAA found;
  const HANDLE h = FindFirstFileA(path.c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  return h != INVALID_HANDLE_VALUE;
}

// The scanner's end of the line, and the window the control's notices go to.
class WineBed : public tolvane::contract::SerialBed {
 public:
  WineBed(std::string scanner, std::string device) : scanner_(std::move(scanner)), device_(std::move(device)) {
    OpenLine();
  }
  ~WineBed() override {
    serial_.reset();
    CloseHandle(line);
    DestroyWindow(window);
  }

  SerialControl& Make() override {
    serial_.reset();
    serial_ = std::make_unique<SerialControl>(tolvane::win32::SerialCalls{
        OpenStandIn, Create<kEvent, CreateEventA>, Create<kThread, CreateThread>, CloseStandIn, Read, Write, WaitEvent,
        ModemStatus, Cancel, Post, Timeouts, Watch, Unwatch});
    serial_->SetNotifyWindow(window, kNotice);
    return *serial_;
  }
  std::int16_t Port() const override { return 5; }
  void Send(std::string_view bytes) override {
    DWORD n = 0;
    WriteFile(line, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  }
  std::string Heard() override {
    char buffer[256];
    for (DWORD n = 0; reading_ && ReadFile(line, buffer, sizeof buffer, &n, nullptr) && n > 0;)
      heard_.append(buffer, n);
    return heard_;
  }
  void SetReading(bool on) override { reading_ = on; }
  bool Unplug() override {
    if (!Exists(device_)) return false;
    CloseHandle(line);
    line = INVALID_HANDLE_VALUE;
    return Ask("unplug", [this] { return !Exists(device_); });
  }
  bool Replug() override {
    return Ask("replug", [this] { return Exists(device_) && OpenLine(); });
  }
  std::string LineRefuses(const tolvane::LineSettings& line) const override {
    return tolvane::contract::PseudoTerminalRefuses(line);
  }
  // The line's DSR as the stand-in for the modem status reports it.
  void SetDsr(bool on) override { g.dsr = on; }
  // The main window's part: each notice handed back to the control, or (holding) kept unhandled.
  void Pump(std::chrono::milliseconds slice) override {
    for (const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(slice.count());; Sleep(1)) {
      for (MSG m{}; PeekMessageA(&m, window, kNotice, kNotice, PM_REMOVE);)
        if (holding)
          held.push_back(m);
        else
          serial_->Deliver(static_cast<std::int16_t>(m.wParam), m.lParam);
      if (GetTickCount64() >= end) return;
    }
  }

  HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  HANDLE line = INVALID_HANDLE_VALUE;
  bool holding = false;
  std::vector<MSG> held;

 private:
  bool OpenLine() {
    line = CreateFileA(scanner_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    COMMTIMEOUTS immediate{MAXDWORD, 0, 0, 0, 0};
    return line != INVALID_HANDLE_VALUE && SetCommTimeouts(line, &immediate);
  }
  // Asks the script for a change to the line, and pumps until it shows.
  bool Ask(const char* what, const std::function<bool()>& done) {
    std::printf("bed: %s\n", what);
    std::fflush(stdout);
    for (int i = 0; i < 1000; ++i) {
      if (done()) return true;
      Pump(std::chrono::milliseconds(10));
    }
    return false;
  }

  const std::string scanner_, device_;
  std::string heard_;
  bool reading_ = true;
  std::unique_ptr<SerialControl> serial_;
};

using tolvane::contract::Program;
using tolvane::contract::Until;

bool Got(Program& p, std::int16_t event, long n) {
  return Until(p.bed, [&] { return p.Count(event) == n; });
}
// Until the control's last notice, left unhandled, is of this event.
bool Holds(WineBed& bed, std::int16_t event) {
  bed.holding = true;
  return Until(bed, [&] { return !bed.held.empty() && bed.held.back().wParam == WPARAM(event); });
}
// Completes the wait the driver holds with these events.
bool Raise(WineBed& bed, DWORD events) {
  if (!Until(bed, [] { return g.heldWait != nullptr; })) return false;
  *g.waitEvents = events;
  return Complete(g.heldWait.exchange(nullptr), 0);
}

using namespace std::chrono_literals;

const std::map<std::string, void (*)(WineBed&, Program&)> kCases{
    {"close_keeps_handles_of_a_stuck_reader",
     [](WineBed& bed, Program& p) {
       g.immediateReads = true;
       g.stickRead = true;
       Check(p.Open() && Until(bed, [] { return g.inside.load(); }), "opens; the reader is stuck in a read");
       Check(p.serial.SetPortOpen(false).ok && !p.serial.PortOpen() && g.inside,
             "closes at once, while the reader is still stuck");
       Until(bed, [] { return !g.inside; });
       Check(g.closesInside == 0, "no handle closed while the reader was inside a call");
       g.stickRead = false;
       Check(Until(bed, [] { return g.portClosed.load(); }) && p.Open(),
             "the reader closes the port on return, reopens");
     }},
    {"failed_thread_or_event_fails_the_open",
     [](WineBed&, Program& p) {
       for (const Call c : {kThread, kEvent}) {
         const std::string name = c == kThread ? "thread " : "event ";
         int n = 1;
         for (;; ++n) {  // from the n-th of the open's threads or events on, none made
           g.calls[c] = 0;
           g.failFrom[c] = n;
           const tolvane::Status s = p.Open();
           if (g.calls[c] < n) break;
           Check(!s && s.description == tolvane::win32::ErrorText(kErrors[c]) && !p.serial.PortOpen(),
                 name + std::to_string(n) + " not made: the open fails with the system's reason");
         }
         // An open that made none through the stand-in would leave the case nothing to fail.
         Check(n > 1,
               "the open made " + std::to_string(n - 1) + " " + name + "through the stand-in, each made to fail");
         g.failFrom[c] = 0;
         Check(p.serial.PortOpen() && p.Receives(name), "all " + name + "made: opens, reads");
         p.Close();
       }
     }},
    {"notices_of_an_earlier_open_are_ignored",
     [](WineBed& bed, Program& p) {
       g.immediateReads = true;
       const bool opened = p.Open().ok;
       bed.Send("A");
       Check(opened && Holds(bed, SerialControl::kEvReceive), "opens; data posted");
       g.failFrom[kRead] = 1;
       Check(Holds(bed, SerialControl::kEvDeviceLost), "device lost posted");
       // Neither is handled before the port is closed and opened again.
       p.Close();
       g.failFrom[kRead] = 0;
       bed.holding = false;  // the earlier notices stay held; the new open's are handled
       Check(p.Open().ok, "opens again");
       for (const MSG& m : bed.held) PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
       bed.Pump(300ms);
       Check(p.events.empty() && p.serial.PortOpen() && p.Receives("B"),
             "no earlier notice handled; the new open reads");
     }},
    {"failed_posts_are_retried",
     [](WineBed&, Program& p) {
       g.immediateReads = true;
       g.refuseFirstPost = {SerialControl::kEvReceive, SerialControl::kEvDSR, SerialControl::kEvDeviceLost};
       Check(p.Open() && p.Receives("AB") && p.Receives("CD"),
             "data arrives though its first notice failed, later data too");
       g.dsr = true;
       Check(Got(p, SerialControl::kEvDSR, 1), "a DSR change arrives");
       g.failFrom[kRead] = 1;
       Check(Got(p, SerialControl::kEvDeviceLost, 1), "a lost device is reported");
     }},
    {"waits_on_events_or_polls",
     [](WineBed& bed, Program& p) {
       // Wine's pseudo-terminals accept the wait and abort it moments later; a driver may also
       // refuse it at once. Either way the port is read without waits, not asked again.
       for (const int refused : {0, 1}) {
         const std::string name = refused ? "refused waits: " : "Wine's waits: ";
         g.calls[kWait] = 0;
         g.failFrom[kWait] = refused;
         Check(p.Open() && Until(bed, [] { return g.calls[kWait] > 0; }) && p.Receives("P") && g.calls[kWait] == 1,
               name + "asks to wait once, reads without");
         p.Close();
       }
       // A driver that honours the wait: nothing runs at idle, and a pulse of DSR is two changes.
       g.failFrom[kWait] = 0;
       g.honourWaits = true;
       const int reads = g.calls[kRead];
       Check(p.Open() && Until(bed, [] { return g.heldWait != nullptr; }), "waits for an event");
       bed.Pump(300ms);
       Check(g.calls[kRead] == reads, "no reads while idle");
       Check(Raise(bed, EV_DSR) && Got(p, SerialControl::kEvDSR, 2), "a DSR pulse: two changes");
       g.dsr = true;
       Check(Raise(bed, EV_DSR) && Got(p, SerialControl::kEvDSR, 3), "DSR on: one change");
       // Bytes at the port are not read before the driver says they are there.
       p.received.clear();
       bed.Send("EV");
       Check(Until(bed, [] { return Queued(g.port) >= 2; }) && g.calls[kRead] == reads, "not read yet");
       Check(Raise(bed, EV_RXCHAR) && Until(bed, [&] { return p.received == "EV"; }), "then they are");
       bed.Pump(100ms);
       Check(p.Count(SerialControl::kEvDSR) == 3, "no other DSR changes");
     }},
    {"opens_off_the_callers_thread",
     [](WineBed& bed, Program& p) {
       g.holdOpen = true;
       Check(p.serial.SetCommPort(bed.Port()).ok && p.serial.SetPortOpen(true).ok && !g.openReturned &&
                 !p.serial.PortOpen(),
             "the open is asked for and left under way while the driver takes its time");
       // Given up, and asked for again: only the second ends, and the port the first made is let go.
       p.Close();
       Check(p.serial.SetPortOpen(true).ok, "asked again while the first is still under way");
       g.holdOpen = false;
       Check(Until(bed, [&] { return p.ends > 0; }) && p.serial.PortOpen() && p.Receives("N"), "then opens, reads");
       bed.Pump(300ms);
       Check(p.ends == 1 && g.portsOpen == 1,
             "the open given up was never told, its port closed: " + std::to_string(g.portsOpen) + " open");
       p.Close();
       const int before = p.ends;
       const bool asked = p.serial.SetCommPort(17).ok && p.serial.SetPortOpen(true).ok;
       Check(asked && Until(bed, [&] { return p.ends > before; }) && !p.serial.PortOpen() &&
                 !p.serial.OpenFailedReason().empty(),
             "a port that is not there fails with the system's reason: " + p.serial.OpenFailedReason());
     }},
    {"removal_is_a_lost_device_at_once",
     [](WineBed& bed, Program& p) {
       const auto lost = [&] { return p.Count(SerialControl::kEvDeviceLost); };
       auto& control = static_cast<SerialControl&>(p.serial);  // as the main window hands it WM_DEVICECHANGE
       Check(p.Open().ok && p.Receives("R") && g.watches == 1 && g.watched == g.port && g.watcher == bed.window,
             "opens, reads; the port's own handle is watched for removal, for the window");
       DEV_BROADCAST_HANDLE removal{};
       removal.dbch_size = sizeof removal;
       removal.dbch_devicetype = DBT_DEVTYP_HANDLE;
       removal.dbch_handle = bed.line;
       control.DeviceChange(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&removal));
       Check(lost() == 0 && p.Receives("S"), "another handle's removal changes nothing");
       // The line stays plugged in: only the notice can tell.
       for (const WPARAM event : {WPARAM(DBT_DEVICEQUERYREMOVE), WPARAM(DBT_DEVICEREMOVECOMPLETE)}) {
         removal.dbch_handle = g.watched;
         const auto before = lost();
         control.DeviceChange(event, reinterpret_cast<LPARAM>(&removal));
         Check(lost() == before + 1 && !p.serial.LostReason().empty(),
               "the port's removal is a lost device at once: " + p.serial.LostReason());
         const int unwatched = g.unwatchedOpen;
         p.Close();
         Check(Until(bed, [] { return g.portClosed.load(); }) && g.unwatchedOpen == unwatched + 1,
               "closed as the program does, the watch ended before the handle");
         g.portClosed = false;
         Check(p.Open().ok && g.watches == 2 + (event == DBT_DEVICEREMOVECOMPLETE), "opens again, watched again");
       }
       p.Close();
       control.DeviceChange(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&removal));
       Check(lost() == 2, "nothing once closed");
     }},
    {"refused_timeouts_fail_the_open",
     [](WineBed&, Program& p) {
       g.failFrom[kTimeouts] = 1;
       const tolvane::Status refused = p.Open();
       Check(!refused && g.calls[kTimeouts] == 1 &&
                 refused.description == tolvane::win32::ErrorText(kErrors[kTimeouts]) && g.portsOpen == 0,
             "timeouts refused: the open fails with the system's reason, the port closed");
       g.failFrom[kTimeouts] = 0;
       Check(p.Open().ok && p.Receives("T"), "taken: opens, reads");
     }},
    {"writes_never_block_the_caller",
     [](WineBed& bed, Program& p) {
       Check(p.Open().ok, "opens");
       g.holdWrites = true;  // the scanner is off
       Check(p.serial.Output("X").ok && p.Receives("Q"),
             "output taken at once; reading goes on under the pending write");
       Check(Got(p, SerialControl::kEvWriteFailed, 1) && p.serial.WriteFailedReason() != "" && p.serial.PortOpen(),
             "the write is dropped and reported with a reason; the port stays open");
       int refused = 0;
       for (int i = 0; i < 100; ++i) refused += !p.serial.Output(std::string(1024, 'z'));
       Check(refused > 0, "the queue is bounded");
       p.Close();
       g.holdWrites = false;
       Check(p.Open() && p.serial.Output("E").ok &&
                 Until(bed, [&] { return bed.Heard().find('E') != std::string::npos; }),
             "closes under a pending write, opens again and writes");
     }},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string name = argv[1];
  const auto& contract = tolvane::contract::Cases();
  const auto shared = std::find_if(contract.begin(), contract.end(), [&](const auto& c) { return name == c.name; });
  const auto own = kCases.find(name);
  if (shared == contract.end() && own == kCases.end()) return 2;
  WineBed bed(argv[2], argv[3]);
  if (!Check(bed.line != INVALID_HANDLE_VALUE, "the scanner's end of the line opens")) return 1;
  if (shared != contract.end()) {
    shared->run(bed, {Check, [](const std::string& what) { std::printf("note %s\n", what.c_str()); },
                      [](const std::string& why) { std::printf("skip: %s\n", why.c_str()); }});
  } else {
    Program p(bed);
    own->second(bed, p);
  }
  std::fflush(stdout);
  return failures ? 1 : 0;
}
