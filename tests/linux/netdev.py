#!/usr/bin/env python3
"""A raw TCP device server played by the test: one listener on the loopback interface, its
latest connection the scanner's line. Commands come one a line on a FIFO:

  send HEX    the bytes to the connection (when there is none, kept until one comes)
  drop        the connection closed
  down / up   the listener closed (connections refused) / opened again
  slam on|off each connection closed as soon as it is taken

Every connection taken is a line "accept MILLISECONDS" in WORK/accepts; the bytes the program
sends back are appended to WORK/heard.

Usage: netdev.py PORT WORK"""
import os
import select
import socket
import sys
import time

port, work = int(sys.argv[1]), sys.argv[2]
fifo = os.path.join(work, "netdev")
os.mkfifo(fifo)
commands = os.open(fifo, os.O_RDWR)  # never at end of file, whoever writes
listener = conn = None
slam = False
pending = b""
line = b""


def listen():
    global listener
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(4)


def drop():
    global conn
    if conn:
        conn.close()
    conn = None


def flush():
    global pending
    if conn and pending:
        conn.sendall(pending)
        pending = b""


listen()
open(os.path.join(work, "netdev.ready"), "w").close()
while True:
    watched = [commands] + [s for s in (listener, conn) if s]
    for ready in select.select(watched, [], [])[0]:
        if ready is commands:
            line += os.read(commands, 4096)
            while b"\n" in line:
                cmd, line = line.split(b"\n", 1)
                word, _, arg = cmd.decode().partition(" ")
                if word == "send":
                    pending += bytes.fromhex(arg)
                elif word == "drop":
                    drop()
                elif word == "down":
                    listener.close()
                    listener = None
                elif word == "up":
                    listen()
                elif word == "slam":
                    slam = arg == "on"
                flush()
                open(os.path.join(work, "netdev.done"), "a").write(cmd.decode() + "\n")
        elif ready is listener:
            s, _ = listener.accept()
            with open(os.path.join(work, "accepts"), "a") as f:
                f.write("accept %d\n" % (time.time() * 1000))
            if slam:
                s.close()
                continue
            drop()
            conn = s
            flush()
        elif ready is conn:
            data = conn.recv(4096)
            if not data:
                drop()
            with open(os.path.join(work, "heard"), "ab") as f:
                f.write(data)
