#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "store/status.h"

namespace ticksmith::store {

namespace fs = std::filesystem;

// XMASTER indexes the symbols past file number 255 (their quotes are in F<n>.MWD). This
// program only reads it, to say how many symbols it does not show; no writer touches it.
inline constexpr std::size_t kXmasterRecordSize = 150;
inline constexpr std::string_view kXmasterName = "XMASTER";
inline constexpr std::array<std::uint8_t, 4> kXmasterMagic{0x5D, 0xFE, 'X', 'M'};

struct XmasterHeader {
    std::array<std::uint8_t, 4> magic{};
    std::uint16_t count = 0;           // records that follow the header
    std::uint16_t nextFileNumber = 0;  // the number the next symbol will get
};

struct XmasterRecord {
    std::string symbol;
    std::string name;
    char period = 0;
    std::uint16_t fileNumber = 0;
};

XmasterHeader DecodeXmasterHeader(const std::uint8_t* bytes);
XmasterRecord DecodeXmasterRecord(const std::uint8_t* bytes);

// The number of symbols XMASTER holds above file number 255, which this program does not
// show: 0 when there is no XMASTER or it is not one (a placeholder, another layout).
[[nodiscard]] int SymbolsOnlyInXmaster(const fs::path& directory);

// "XMASTER holds N more symbols that this program does not show.", or empty when N is 0.
std::string XmasterNote(const fs::path& directory);

}  // namespace ticksmith::store
