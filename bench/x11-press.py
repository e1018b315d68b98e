#!/usr/bin/env python3
"""Presses and releases the left mouse button where the pointer stands and prints the
time of the press in nanoseconds, as `date +%s%N` does. The connection to the X server
is made before the time is taken: a tool started for the press alone would charge its
own start (and the keymap the server compiles for each new client) to what is timed.
With --hold it presses nothing and keeps a connection open until it is killed, as a
desktop's own clients do: a bare server that loses its last client resets itself, and
that reset would run beside whatever is timed next.
Needs only the X11 and XTest libraries (libx11-6, libxtst6)."""
import ctypes
import os
import sys
import time

x11 = ctypes.CDLL("libX11.so.6")
xtest = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xtest.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("x11-press: cannot open the display")
x11.XSync(display, 0)
if sys.argv[1:] == ["--hold"]:
    while True:
        time.sleep(3600)
pressed = time.time_ns()
xtest.XTestFakeButtonEvent(display, 1, 1, 0)
xtest.XTestFakeButtonEvent(display, 1, 0, 0)
x11.XSync(display, 0)
print(pressed, flush=True)
os._exit(0)  # no interpreter teardown beside the run that is timed
