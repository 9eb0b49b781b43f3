// What every serial control does alike, written once and run against each: the fake, the POSIX
// control on a pseudo-terminal pair, the Win32 control under Wine on its COM port, and the
// network controls, raw and (POSIX) through ser2net. A bed makes
// the control and plays the device at the far end of its line; a runner (GoogleTest, or the
// Wine test program) reports each check.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialControl.h"
#include "serialsettings/LineSettings.h"

namespace tolvane::contract {

class SerialBed {
 public:
  virtual ~SerialBed() = default;
  // A new control, closed, that replaces (and destroys) the one made before.
  virtual SerialControl& Make() = 0;
  // The port number the far end answers on.
  virtual std::int16_t Port() const = 0;
  // The far end sends bytes; they may still be on their way when this returns.
  virtual void Send(std::string_view bytes) = 0;
  // What the far end has received, in order: at least all since the control was made.
  virtual std::string Heard() = 0;
  // The far end stops reading, as a device that is busy, or reads again.
  virtual void SetReading(bool on) = 0;
  // The device goes away under the control, and comes back on the same port; false when the
  // bed could not make it so.
  virtual bool Unplug() = 0;
  virtual bool Replug() = 0;
  // Why the bed's device cannot be set to this line; empty when it can.
  virtual std::string LineRefuses(const LineSettings&) const { return {}; }
  // Why this bed cannot show a DSR change; empty when SetDsr works.
  virtual std::string DsrMissing() const { return {}; }
  virtual void SetDsr(bool on) = 0;
  // Runs the control's events for about this long: its poll loop, or its window's messages.
  virtual void Pump(std::chrono::milliseconds slice) = 0;
};

// Each check with what it says; a check the bed cannot make, with the reason; a skip with its
// reason, which ends the case.
struct Report {
  std::function<bool(bool ok, const std::string& what)> expect;
  std::function<void(const std::string& what)> note;
  std::function<void(const std::string& why)> skip;
};

// Why a pseudo-terminal cannot be set to a line: it keeps 8 data bits without parity, and the
// kernel may refuse a change of which nothing takes.
std::string PseudoTerminalRefuses(const LineSettings& line);

// Pumps until done() holds; false after a bound that only a fault reaches.
bool Until(SerialBed& bed, const std::function<bool()>& done);

// The program above the control, as far as the cases need: it takes the bytes of each receive
// notice as the program does, and lets a case act after each notice.
struct Program {
  explicit Program(SerialBed& b);

  long Count(std::int16_t event) const;
  // Names the port and opens it, waiting for an open the control leaves under way to end.
  Status Open();
  // The far end sends bytes; true once they are all the program has received since.
  bool Receives(const std::string& bytes);
  void Close() { static_cast<void>(serial.SetPortOpen(false)); }

  SerialBed& bed;
  SerialControl& serial;
  std::vector<std::int16_t> events;
  int ends = 0;  // of opens left under way
  std::string received;
  std::function<void()> then;
};

struct Case {
  const char* name;
  void (*run)(SerialBed& bed, const Report& report);
};

const std::vector<Case>& Cases();

}  // namespace tolvane::contract
