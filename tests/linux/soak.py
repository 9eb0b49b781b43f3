#!/usr/bin/env python3
"""The soak: scans through the real program, the device taken away and brought back, bursts,
every byte value, SIGHUP; counts what was typed against what was sent.

Each scan is [length][sequence high][sequence low][payload], 13 to 40 bytes in all, the payload
taking every byte value in turn. The configuration translates each byte into its two hex
digits, so what the key log receives is the byte stream itself, whatever the bytes.

A scan counts as sent once all its bytes were written to the device while the program had it
open; before the device is taken away, everything sent is typed (or counted lost), so nothing
the pair itself drops on the way out is laid to the program.

Usage: soak.py WORK TOLVANE_PID SOCAT_PID CFG   (the pair at WORK/dev and WORK/scanner, the key
log at WORK/keys, the program's standard error at WORK/err). Exits 1 when a scan is lost, out
of order or wrong."""
import os
import signal
import subprocess
import sys
import time

SCANS = 10_000
REPLUG_EVERY = 500
HUP_EVERY = 1_000
BURST = 64 * 1024
BURST_AT = (2_000, 6_000)  # where a burst of back-to-back scans, 64 KiB of them, goes out
HEX = "0123456789ABCDEF"


def scan(seq):
    length = 13 + (seq * 7) % 28
    payload = bytes((seq * 7 + j * 31) & 0xFF for j in range(length - 3))
    return bytes([length, seq >> 8 & 0xFF, seq & 0xFF]) + payload


class Keys:
    """The hex digits the key log has received, read as they come."""

    def __init__(self, path):
        self.path, self.offset, self.digits = path, 0, []

    def read(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except FileNotFoundError:
            return
        end = data.rfind(b"\n") + 1
        self.offset += end
        for line in data[:end].decode("utf-8", "replace").splitlines():
            parts = line.split(" ", 4)
            if len(parts) == 5 and len(parts[4]) == 1 and parts[4] in HEX:
                self.digits.append(parts[4])

    def count(self):
        return len(self.digits) // 2


def decode(digits, sent):
    """The scans found in the typed stream, in order, by sequence number; a stretch that is no
    scan is skipped and counted."""
    stream = bytes(int(digits[i] + digits[i + 1], 16) for i in range(0, len(digits) - 1, 2))
    found, junk, p = [], 0, 0
    while p < len(stream):
        length = stream[p]
        if 13 <= length <= 40 and p + length <= len(stream):
            seq = stream[p + 1] << 8 | stream[p + 2]
            # The sequence wraps at 65536: the scan is the sent one nearest what came before.
            base = (found[-1] if found else 0) & ~0xFFFF
            for candidate in (base + seq, base + 0x10000 + seq):
                if candidate < len(sent) and stream[p:p + length] == sent[candidate]:
                    found.append(candidate)
                    p += length
                    break
            else:
                junk, p = junk + 1, p + 1
            continue
        junk, p = junk + 1, p + 1
    return found, junk


def rss(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def main():
    work, tolvane, socat, cfg = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    keys = Keys(f"{work}/keys")
    err = f"{work}/err"

    def status():
        with open(err, errors="replace") as f:
            lines = [line.rstrip("\n") for line in f if not line.startswith("tolvane:")]
        return lines[-1] if lines else ""

    def wait(done, seconds):
        end = time.monotonic() + seconds
        while not done():
            if time.monotonic() > end:
                return False
            time.sleep(0.05)
            keys.read()
        return True

    sent = [scan(i) for i in range(SCANS)]
    pair = {"pid": socat, "proc": None}
    faults = []  # a fault injected that did not fire, or fired wrong
    memory = []  # resident memory every 1,000 scans

    def replug():
        if pair["proc"]:
            pair["proc"].terminate()
            pair["proc"].wait()
        else:
            os.kill(pair["pid"], signal.SIGTERM)
        wait(lambda: not os.path.exists(f"{work}/scanner"), 5)
        if not wait(lambda: status().startswith("Error"), 10):
            faults.append(f"the device's going not told: {status()}")
        pair["proc"] = subprocess.Popen(
            ["socat", f"pty,link={work}/dev,raw,echo=0", f"pty,link={work}/scanner,raw,echo=0"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait(lambda: os.path.exists(f"{work}/scanner") and status().startswith("Active on"), 10):
            faults.append(f"the device not opened again: {status()}")

    count = bursts = replugs = hups = 0
    next_burst = BURST_AT[0] if BURST_AT else SCANS
    scanner = open(f"{work}/scanner", "wb", buffering=0)
    start_rss = None
    t0 = time.monotonic()
    while count < SCANS:
        while replugs < count // REPLUG_EVERY:
            replugs += 1
            # Everything sent is typed before the device goes; then it goes and comes back.
            typed_by = sum(len(sent[i]) for i in range(count))
            if not wait(lambda: keys.count() >= typed_by, 120):
                break
            scanner.close()
            replug()
            scanner = open(f"{work}/scanner", "wb", buffering=0)
        if hups < count // HUP_EVERY:
            hups += 1
            os.kill(tolvane, signal.SIGHUP)
        if count >= next_burst:
            # Back-to-back scans, 64 KiB of them, in one write.
            n, size = 0, 0
            while count + n < SCANS and size + len(sent[count + n]) <= BURST:
                size += len(sent[count + n])
                n += 1
            bursts += 1
            next_burst = BURST_AT[bursts] if bursts < len(BURST_AT) else SCANS
        else:
            # A scanner's pace: a few scans at a time, then about the silence that ends a record.
            n = min(8, SCANS - count)
        scanner.write(b"".join(sent[count:count + n]))
        count += n
        time.sleep(0.12)
        keys.read()
        if start_rss is None and count >= 100:
            start_rss = rss(tolvane)
        if len(memory) < count // 1000:
            memory.append(rss(tolvane))
    scanner.close()
    total = sum(len(s) for s in sent)
    wait(lambda: keys.count() >= total, 300)
    time.sleep(0.5)
    keys.read()
    end_rss = rss(tolvane)
    seconds = time.monotonic() - t0
    found, junk = decode(keys.digits, sent)
    typed = len(set(found))
    out_of_order = sum(1 for a, b in zip(found, found[1:]) if b <= a)
    lost = SCANS - typed
    with open(err, errors="replace") as f:
        reloads = sum(1 for line in f if "read again" in line)
    if reloads != hups:
        faults.append(f"{hups} SIGHUPs sent, {reloads} told as taken")
    print(f"soak: {SCANS} scans sent ({total} bytes, {bursts} bursts of 64 KiB, the device away and back {replugs} "
          f"times, {hups} SIGHUPs) in {seconds:.0f} s: {typed} typed, {lost} lost, {out_of_order} out of order, "
          f"{junk} bytes of no scan; resident memory {start_rss} KiB at the start, {end_rss} KiB at the end "
          f"(every 1,000 scans: {' '.join(str(m) for m in memory)} KiB)")
    for fault in faults:
        print(f"soak: {fault}", file=sys.stderr)
    if pair["proc"]:
        pair["proc"].terminate()
    return 0 if lost == 0 and out_of_order == 0 and junk == 0 and not faults else 1


if __name__ == "__main__":
    sys.exit(main())
