#pragma once

#include <cstdint>

namespace ticksmith::platform {

inline std::uint16_t ReadU16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::int16_t ReadI16(const std::uint8_t* bytes) {
    return static_cast<std::int16_t>(ReadU16(bytes));
}

inline void WriteU16(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void WriteI16(std::uint8_t* bytes, std::int16_t value) {
    WriteU16(bytes, static_cast<std::uint16_t>(value));
}

}  // namespace ticksmith::platform
