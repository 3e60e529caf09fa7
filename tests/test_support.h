#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "store/master.h"
#include "store/quotes.h"

namespace ticksmith::test {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class TempDir {
  public:
    TempDir() : m_path((fs::temp_directory_path() / "ticksmith-test-XXXXXX").string()) {
        if (::mkdtemp(m_path.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary directory");
        }
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    fs::path path() const { return m_path; }

  private:
    std::string m_path;
};

inline Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

template <typename Container>
void WriteBytes(const fs::path& path, const Container& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Every file below `dir`, by relative path.
inline std::map<std::string, Bytes> Snapshot(const fs::path& dir) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), dir).string()] = ReadBytes(entry.path());
        }
    }
    return files;
}

inline Bytes MasterFile(int count, int counter, const std::vector<store::MasterRecord>& records) {
    Bytes bytes(store::kMasterRecordSize * (records.size() + 1));
    platform::WriteI16(bytes.data(), static_cast<std::int16_t>(count));
    platform::WriteI16(bytes.data() + 2, static_cast<std::int16_t>(counter));
    for (std::size_t i = 0; i < records.size(); ++i) {
        store::EncodeMasterRecord(records[i], bytes.data() + store::kMasterRecordSize * (i + 1));
    }
    return bytes;
}

inline store::MasterRecord Record(int number, const std::string& symbol) {
    store::MasterRecord record = store::NewMasterRecord(symbol, symbol + " CORP", 7);
    record.fileNumber = static_cast<std::uint8_t>(number);
    return record;
}

// A record sending the symbol search into sub-directory `name`.
inline store::MasterRecord DirRecord(std::string name) {
    name.resize(11, ' ');
    return store::NewMasterRecord("", name + "<DIR>", 0);
}

// Quote `index` of a generated series: weekdays from Monday 3 January 2000 (day 14247), with
// values a float holds exactly.
inline store::Quote SampleQuote(int index) {
    store::Quote quote;
    quote.date = static_cast<store::DayNumber>(14247 + 7 * (index / 5) + index % 5);
    quote.open = 10.0f + 0.25f * static_cast<float>(index % 400);
    quote.high = quote.open + 1.0f;
    quote.low = quote.open - 0.5f;
    quote.close = quote.open + 0.5f;
    quote.volume = 1000.0f * static_cast<float>(index + 1);
    quote.openInterest = static_cast<float>(index);
    return quote;
}

// A data file made byte by byte: a new file's header with its last record number, then quotes.
inline Bytes DataFile(const std::vector<store::Quote>& quotes, const store::FieldLayout& layout,
                      int recordLength) {
    const auto length = static_cast<std::size_t>(recordLength);
    Bytes bytes(length * (quotes.size() + 1));
    for (std::size_t at = 2; at < length; at += 4) {
        bytes[at] = 1;
    }
    platform::WriteU16(bytes.data() + 2, static_cast<std::uint16_t>(quotes.size() + 1));
    for (std::size_t i = 0; i < quotes.size(); ++i) {
        store::EncodeQuote(quotes[i], layout, bytes.data() + length * (i + 1), recordLength);
    }
    return bytes;
}

// Adds a symbol with `count` generated quotes through the public API; returns its file number.
inline int AddSymbol(const fs::path& dir, const std::string& symbol, int count,
                     const store::FieldSet& fields = store::kStandardFields) {
    if (!fs::exists(store::MasterPath(dir))) {
        EXPECT_EQ(store::CreateEmptyMaster(dir), store::kSuccess);
    }
    const store::FieldLayout layout = store::ParseFieldLayout(store::DopText(fields));
    store::MasterRecord record =
        store::NewMasterRecord(symbol, symbol + " CORP", layout.PresentFields());
    const store::FileNumberResult appended = store::AppendMasterRecord(dir, record);
    EXPECT_TRUE(appended.Succeeded());
    const int number = appended.fileNumber;
    EXPECT_EQ(store::CreateQuoteFiles(dir, number, fields), store::kSuccess);
    std::vector<store::Quote> quotes;
    for (int i = 0; i < count; ++i) {
        quotes.push_back(SampleQuote(i));
    }
    WriteBytes(dir / store::DataFileName(number), DataFile(quotes, layout, record.recordLength));
    if (count > 0) {
        EXPECT_EQ(store::SetMasterDates(dir, number, store::FileDateFromDayNumber(quotes[0].date),
                                        store::FileDateFromDayNumber(quotes.back().date), false),
                  store::kSuccess);
    }
    return number;
}

// Fails the `failAt`-th change to the disk (from 0) and passes the others. A failing write
// first writes half its bytes, as a full disk does.
class FailingFileSystem : public platform::FileSystem {
  public:
    explicit FailingFileSystem(int failAt) : m_left(failAt) {}
    bool Failed() const { return m_left < 0; }

    int CreateForWrite(const fs::path& path) override {
        return Fails() ? -1 : FileSystem::CreateForWrite(path);
    }
    bool Write(int descriptor, const void* data, std::size_t size) override {
        if (Fails()) {
            static_cast<void>(FileSystem::Write(descriptor, data, size / 2));  // fails anyway
            return false;
        }
        return FileSystem::Write(descriptor, data, size);
    }
    bool Sync(int descriptor) override { return !Fails() && FileSystem::Sync(descriptor); }
    bool Rename(const fs::path& from, const fs::path& to) override {
        return !Fails() && FileSystem::Rename(from, to);
    }

  private:
    bool Fails() { return m_left-- == 0; }
    int m_left;
};

// Refuses every change to a file whose name begins with `prefix`. With `spreads`, the disk
// breaks there as one gone read-only does: every later change fails too, removals included.
class BreakingFileSystem : public platform::FileSystem {
  public:
    BreakingFileSystem(std::string prefix, bool spreads)
        : m_prefix(std::move(prefix)), m_spreads(spreads) {}
    bool Broken() const { return m_broken; }

    int CreateForWrite(const fs::path& path) override {
        return Refuses(path) ? -1 : FileSystem::CreateForWrite(path);
    }
    bool Write(int descriptor, const void* data, std::size_t size) override {
        return !Refuses({}) && FileSystem::Write(descriptor, data, size);
    }
    bool Sync(int descriptor) override { return !Refuses({}) && FileSystem::Sync(descriptor); }
    bool Rename(const fs::path& from, const fs::path& to) override {
        return !Refuses(from) && !Refuses(to) && FileSystem::Rename(from, to);
    }
    bool Remove(const fs::path& path) override {
        return !Refuses(path) && FileSystem::Remove(path);
    }
    bool CreateDirectory(const fs::path& path) override {
        return !Refuses(path) && FileSystem::CreateDirectory(path);
    }

  private:
    bool Refuses(const fs::path& path) {
        const bool named = !path.empty() && path.filename().string().rfind(m_prefix, 0) == 0;
        m_broken = m_broken || named;
        return named || (m_spreads && m_broken);
    }
    std::string m_prefix;
    bool m_spreads;
    bool m_broken = false;
};

// Runs `change` on a fresh copy of `pristine` once for each disk change it makes, failing
// that one. A failure must keep every file as it was and leave no temporary file; only names
// in `mayAppear` may be new (a MASTER.BAK holding the old MASTER). Returns the failed statuses.
template <typename Change>
std::vector<int> ExpectAllOrNothing(const fs::path& pristine, const fs::path& work, Change change,
                                    const std::set<std::string>& mayAppear = {"MASTER.BAK"}) {
    std::vector<int> statuses;
    for (int failAt = 0; failAt < 64; ++failAt) {
        SCOPED_TRACE("disk change " + std::to_string(failAt) + " fails");
        fs::remove_all(work);
        fs::copy(pristine, work, fs::copy_options::recursive);
        const auto before = Snapshot(work);
        FailingFileSystem failing(failAt);
        platform::ScopedFileSystem scope(failing);
        const int status = change(work);
        if (!failing.Failed()) {
            EXPECT_GE(status, 0);
            return statuses;
        }
        statuses.push_back(status);
        auto after = Snapshot(work);
        for (const std::string& name : mayAppear) {
            if (before.count(name) == 0 && after.count(name) != 0) {
                EXPECT_TRUE(name != "MASTER.BAK" || after[name] == before.at("MASTER"));
                after.erase(name);
            }
        }
        EXPECT_EQ(after, before);
    }
    ADD_FAILURE() << "the change never succeeded";
    return statuses;
}

}  // namespace ticksmith::test
