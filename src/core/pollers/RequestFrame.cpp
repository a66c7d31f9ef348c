#include "pollers/RequestFrame.h"

TRequest buildRequest(uint16_t address, uint8_t code)
{
    const auto digit = [address](int n) { return uint8_t((address >> (4 * n)) & 0x0F); };
    return {uint8_t(0x90 | digit(0)), uint8_t(0xA0 | digit(1)), uint8_t(0xA0 | digit(2)),
            uint8_t(0xA0 | digit(3)), code};
}
