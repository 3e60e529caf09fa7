#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ticksmith::store {

// Results of the data-store operations: 0 for success, negative for a failure.
using Status = std::int16_t;

inline constexpr Status kSuccess = 0;
inline constexpr Status kInvalidParm = -1;
inline constexpr Status kFileOpen = -2;
inline constexpr Status kMalloc = -3;
inline constexpr Status kFileRead = -4;
inline constexpr Status kFileWrite = -5;
inline constexpr Status kFileSeek = -6;
inline constexpr Status kFileExists = -7;
inline constexpr Status kFileNotFound = -8;
inline constexpr Status kRecordNotFound = -9;
inline constexpr Status kUnknownLayout = -100;

// The fixed text of a status; "Unknown" for any code outside 0 to -14.
std::string_view StatusText(int status);
// For a person: the fixed text, then what failed on which file and why, when that is known.
std::string StatusReport(int status, std::string_view detail);

}  // namespace ticksmith::store
