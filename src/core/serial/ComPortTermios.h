#pragma once

// The termios side of the port's line settings, kept apart so it can be checked without a
// device: a pseudo-terminal silently drops some of what is asked of it.

#include <termios.h>

#include "serial/TCustomComPort.h"

// The Bxxx code of a speed termios knows by name, or B0 when it needs a custom speed.
speed_t standardSpeed(int baud);

// Turns t into the raw line the port's settings describe. Returns false for settings the
// line cannot carry (1.5 stop bits beside more than 5 data bits, a speed of 0 or less).
// A speed without a Bxxx code leaves B38400 in t; the caller sets the real one.
bool buildTermios(const TCustomComPort &port, termios &t);

// Sets a speed without a Bxxx code on an open device (Linux termios2). errno on failure.
bool setCustomSpeed(int fd, int baud);
