#pragma once

// What a TNumberEdit holds: integervalue -32768 .. 32767, longintvalue a 32-bit integer,
// floatingpointvalue any finite number, wordvalue 0 .. 65535.
enum TNumberKind { integervalue, longintvalue, floatingpointvalue, wordvalue };
