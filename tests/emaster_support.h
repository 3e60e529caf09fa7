#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/emaster.h"
#include "store/master.h"

namespace ticksmith::test {

namespace fs = std::filesystem;

inline const fs::path kRealData = TICKSMITH_REAL_DATA_DIR;

// A writable copy of a real portfolio, under `parent`.
inline fs::path CopyReal(const fs::path& parent, std::string_view name) {
    const fs::path copy = parent / name;
    fs::copy(kRealData / name, copy);
    for (const auto& entry : fs::directory_iterator(copy)) {
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
    }
    return copy;
}

// Every field EMASTER shares with MASTER agrees, record for record and in MASTER's order.
inline void ExpectInStep(const fs::path& dir) {
    using namespace store;
    std::vector<MasterRecord> master;
    MasterHeader masterHeader;
    ASSERT_EQ(ReadMasterRecords(dir, master, &masterHeader), kSuccess);
    EmasterHeader header;
    std::vector<EmasterRecord> emaster;
    ASSERT_EQ(ReadEmaster(dir, header, emaster), kSuccess);
    ASSERT_EQ(emaster.size(), master.size());
    EXPECT_EQ(header.count, static_cast<int>(master.size()));
    EXPECT_EQ(header.counter, masterHeader.counter);
    for (std::size_t i = 0; i < master.size(); ++i) {
        SCOPED_TRACE(master[i].IssueNameText());
        std::string symbol(master[i].symbol.data(), kEmasterSymbolLength);
        symbol.erase(symbol.find_last_not_of(' ') + 1);
        EXPECT_EQ(emaster[i].fileNumber, master[i].fileNumber);
        EXPECT_EQ(emaster[i].fieldCount, master[i].fieldCount);
        EXPECT_EQ(emaster[i].SymbolText(), symbol);
        EXPECT_EQ(emaster[i].IssueNameText(), master[i].IssueNameText());
        EXPECT_EQ(emaster[i].period, master[i].period);
        EXPECT_EQ(emaster[i].firstDate, MbfToIeee(master[i].firstDate));
        EXPECT_EQ(emaster[i].lastDate, MbfToIeee(master[i].lastDate));
        const std::string longName = emaster[i].LongNameText();
        EXPECT_TRUE(longName.empty() || longName.rfind(master[i].IssueNameText(), 0) == 0)
            << longName;
    }
}

// The long name EMASTER holds for a file number; empty when it has none.
inline std::string EmasterLongName(const fs::path& dir, int fileNumber) {
    store::EmasterHeader header;
    std::vector<store::EmasterRecord> records;
    EXPECT_EQ(store::ReadEmaster(dir, header, records), store::kSuccess);
    for (const store::EmasterRecord& record : records) {
        if (record.fileNumber == fileNumber) {
            return record.LongNameText();
        }
    }
    return {};
}

}  // namespace ticksmith::test
