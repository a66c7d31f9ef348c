#pragma once

// The request a poller sends: the instrument's address as four hexadecimal digits, least
// significant first, each in a low nibble (high nibble 9 on the first byte, A on the other
// three), then the request code. Every reply ends with those four address bytes again.

#include <array>
#include <cstdint>
#include <span>

inline constexpr int kRequestSize = 5;
inline constexpr int kEchoSize = 4;

using TRequest = std::array<uint8_t, kRequestSize>;

TRequest buildRequest(uint16_t address, uint8_t code);

// The address bytes of a request: what a reply must end with.
inline std::span<const uint8_t, kEchoSize> addressEchoOf(const TRequest &request)
{
    return std::span<const uint8_t, kEchoSize>(request.data(), kEchoSize);
}
