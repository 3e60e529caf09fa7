#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// Helpers shared by the fixed-size record codecs of the store.
namespace ticksmith::store::fields {

template <std::size_t N, typename T>
void Take(std::array<T, N>& field, const std::uint8_t* bytes, std::size_t at) {
    std::memcpy(field.data(), bytes + at, N);
}

template <std::size_t N, typename T>
void Put(const std::array<T, N>& field, std::uint8_t* bytes, std::size_t at) {
    std::memcpy(bytes + at, field.data(), N);
}

// A fixed-size text field up to its first NUL.
inline std::string_view TextOf(const char* characters, std::size_t size) {
    return {characters, strnlen(characters, size)};
}

inline std::string_view WithoutTrailingSpaces(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return text.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

}  // namespace ticksmith::store::fields
