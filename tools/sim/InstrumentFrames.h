#pragma once

// The instrument's side of the line: its float words, the frames it sends and the requests
// it answers. Plain functions without state, so tests can build frames without a line.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// Rounds to 22 fraction bits. 0 gives the word 0; magnitudes below 2^-128 give 0 as well.
// Throws std::out_of_range for magnitudes that need an exponent above 126 (127 reads as 0).
uint32_t EncodeFp(double value);

// The exact value a word carries, as the instrument means it (words from EncodeFp).
double FpWordValue(uint32_t word);

// Spreads a word over eight bytes, four bits in each low nibble, least significant first.
// `high` is the high nibble put on every byte; the instrument sends 0xA0.
std::array<uint8_t, 8> EncodeFp8(uint32_t word, uint8_t high = 0xA0);

// The request a poller sends: four address nibbles (0x90 | n0, 0xA0 | n1..n3) and the code.
std::array<uint8_t, 5> RequestFrame(uint16_t address, uint8_t code);
std::array<uint8_t, 4> AddressEcho(uint16_t address);
bool IsRequestCode(uint8_t code); // one the instrument answers

// First family, lengths 38 and 54 (and 56): group nibbles at 0, 1, values from offset 2;
// lengths 106 (and 76): status nibbles at 0..3, group at 4, 5, values from offset 6.
// Eight bytes per value; words missing from `words` are sent as 0; the echo closes the frame.
int TarvoValueCount(int length);
std::vector<uint8_t> BuildTarvoFrame(int length, uint16_t status, uint8_t group,
                                     const std::vector<uint32_t> &words,
                                     std::span<const uint8_t, 4> echo);

// Second family: (length - 4) / 2 data bytes, each as two reply bytes, low half first:
// mask (4 bytes), status (2), count (1), then one FP word per value, lowest byte first.
// 234 bytes carry 27 values. The high halves vary, since the receiver ignores them.
int MirelValueCount(int length);
std::vector<uint8_t> BuildMirelFrame(int length, uint32_t mask, uint16_t status, uint8_t count,
                                     const std::vector<uint32_t> &words,
                                     std::span<const uint8_t, 4> echo);
