// The serial control the scanner is read through: the properties the program writes in a
// fixed order, the waiting input, and one event raised for data and for a DSR change.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace tolvane {

class SerialControl {
 public:
  // CommEvent values the program acts on; every other value is ignored.
  static constexpr std::int16_t kEvReceive = 2;
  static constexpr std::int16_t kEvDSR = 4;
  // Ours, beyond the control's own values: the open port failed for good (a USB adapter was
  // unplugged); LostReason() tells why.
  static constexpr std::int16_t kEvDeviceLost = 1099;
  // Ours as well: bytes given to Output could not be written and were dropped; the port stays
  // open. WriteFailedReason() tells why.
  static constexpr std::int16_t kEvWriteFailed = 1100;
  // Ours as well: an open left under way has ended, with the port open (kEvOpened) or not
  // (kEvOpenFailed; OpenFailedReason() tells why).
  static constexpr std::int16_t kEvOpened = 1101;
  static constexpr std::int16_t kEvOpenFailed = 1102;
  // Ours as well: a device reached over the network, whose open only started the connection,
  // is connected now.
  static constexpr std::int16_t kEvConnected = 1103;

  // Every control's bounds on bytes for the device: how long they may wait (a scanner that is off, CTS low) before
  // they are dropped, and how many may wait.
  static constexpr std::chrono::milliseconds kWriteBound{2000};
  static constexpr std::size_t kMaxQueued = 4096;

  virtual ~SerialControl() = default;

  virtual Status SetCommPort(std::int16_t port) = 0;
  virtual Status SetSettings(const std::string& settings) = 0;
  virtual Status SetDTREnable(bool on) = 0;
  virtual Status SetRTSEnable(bool on) = 0;
  // 0 none, 2 RTS/CTS, 3 RTS/CTS with XON/XOFF.
  virtual Status SetHandshaking(std::int16_t mode) = 0;
  // Opening reports failure with the control's own description. A control whose opens can take
  // long (a Bluetooth port connects its radio first) may leave one under way: Ok with PortOpen()
  // still false, then kEvOpened or kEvOpenFailed. Closing abandons an open under way, and nothing
  // is raised for it afterwards. Neither opening nor closing waits for the device.
  virtual Status SetPortOpen(bool open) = 0;
  virtual bool PortOpen() const = 0;
  virtual std::string OpenFailedReason() const { return {}; }

  virtual std::int16_t CommEvent() const = 0;
  virtual int InBufferCount() const = 0;
  // The waiting bytes, removed from the control's buffer.
  virtual std::vector<std::uint8_t> Input() = 0;
  // Each character goes out as one byte, in order. Never waits for the device: bytes that
  // cannot be written in time are dropped and reported with kEvWriteFailed.
  virtual Status Output(std::string_view bytes) = 0;
  virtual std::string LostReason() const = 0;
  virtual std::string WriteFailedReason() const = 0;
  // Open, and still connecting: kEvConnected or kEvDeviceLost is to come.
  virtual bool Connecting() const { return false; }
  // What the open port is called when it is not a numbered COM port (a network address).
  virtual std::string DeviceName() const { return {}; }

  // Raised on the user-interface thread, never inside another handler.
  virtual void SetOnComm(std::function<void()> handler) = 0;
};

}  // namespace tolvane
