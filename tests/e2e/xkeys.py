#!/usr/bin/env python3
"""Gives the virtual keyboard keys for the Cyrillic letters and the numero sign, on key
codes that carry nothing. Without them xdotool rebinds a spare key code for every such
character it types, and a program that reads the new key map a moment late sees the old
one: a letter goes missing now and then. Run once, before the program starts."""
import ctypes
import ctypes.util
import sys

# Lower case and upper case of each key; Unicode key symbols are 0x01000000 + code point.
PAIRS = [(0x430 + i, 0x410 + i) for i in range(32)] + [(0x451, 0x401), (0x2116, 0x2116)]


def main():
    x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                   ctypes.POINTER(ctypes.c_int)]
    x.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
    x.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                      ctypes.POINTER(ctypes.c_int)]
    x.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                         ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x.XOpenDisplay(None)
    if not dpy:
        sys.exit("xkeys: cannot open the display")
    low, high, per = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    x.XDisplayKeycodes(dpy, ctypes.byref(low), ctypes.byref(high))
    count = high.value - low.value + 1
    syms = x.XGetKeyboardMapping(dpy, low.value, count, ctypes.byref(per))
    # Key codes that carry nothing, then those of multimedia keys and of F13 and above,
    # which no test presses.
    def spare(k):
        first = syms[k * per.value]
        return first == 0 or first >= 0x1008FF00 or 0xFFCA <= first <= 0xFFE0
    free = [low.value + k for k in range(count) if spare(k)]
    if len(free) < len(PAIRS):
        sys.exit("xkeys: only %d free key codes" % len(free))
    for code, (lower, upper) in zip(free, PAIRS):
        pair = (ctypes.c_ulong * 2)(0x01000000 + lower, 0x01000000 + upper)
        x.XChangeKeyboardMapping(dpy, code, 2, pair, 1)
    x.XSync(dpy, 0)
    x.XCloseDisplay(dpy)


if __name__ == "__main__":
    main()
