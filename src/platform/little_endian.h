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

inline std::uint32_t ReadU32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

inline std::int32_t ReadI32(const std::uint8_t* bytes) {
    return static_cast<std::int32_t>(ReadU32(bytes));
}

inline void WriteU32(std::uint8_t* bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        *bytes++ = static_cast<std::uint8_t>((value >> shift) & 0xFF);
    }
}

inline void WriteI32(std::uint8_t* bytes, std::int32_t value) {
    WriteU32(bytes, static_cast<std::uint32_t>(value));
}

}  // namespace ticksmith::platform
