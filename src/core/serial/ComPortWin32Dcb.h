#pragma once

// The device control block the port's line settings describe, kept apart from the device
// so it can be checked without one.

#include <windows.h>

#include "serial/TCustomComPort.h"

// Fills the line fields of dcb (DCBlength is the caller's): binary mode, speed, framing,
// parity checking and replacement, null stripping, flow control, DTR and RTS control, the
// XON/XOFF limits (a quarter of the input buffer each) and characters, the event character.
// Returns false for settings the line cannot carry (1.5 stop bits beside more than 5 data
// bits, a speed of 0 or less).
bool buildDcb(const TCustomComPort &port, DCB &dcb);
