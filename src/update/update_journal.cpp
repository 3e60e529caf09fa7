#include "update/update_journal.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <sstream>

#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "settings/view_settings.h"
#include "store/master.h"
#include "store/quotes.h"

namespace ticksmith::update {

namespace {

constexpr std::string_view kMagic = "ticksmith-undo 1";
constexpr std::string_view kStateOpen = "open";
constexpr std::string_view kStateUndone = "undone";
// No segment count is stored: the reader follows them until one is missing or another run's.
constexpr int kMaxSegments = 1 << 20;

std::atomic<unsigned long> g_runSequence{0};

std::string SegmentName(int number) {
    return "UNDO" + std::to_string(number) + ".JNL";
}

// Paths and bytes as hex, so that no name can break a line or a field.
std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2 + 1);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text.empty() ? "-" : text;
}

std::string Hex(std::string_view text) {
    return Hex(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool Unhex(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (text == "-") {
        return true;
    }
    if (text.size() % 2 != 0) {
        return false;
    }
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return true;
}

bool UnhexPath(std::string_view text, fs::path& path) {
    std::vector<std::uint8_t> bytes;
    if (!Unhex(text, bytes) || bytes.empty()) {
        return false;
    }
    path = std::string(bytes.begin(), bytes.end());
    return true;
}

std::vector<std::string> Lines(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (const std::uint8_t byte : bytes) {
        if (byte == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (byte != '\r') {
            line += static_cast<char>(byte);
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) {
        fields.push_back(field);
    }
    return fields;
}

bool ReadLines(const fs::path& directory, std::string_view name, std::vector<std::string>& lines) {
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(platform::ResolveEntry(directory, name), bytes)) {
        return false;
    }
    lines = Lines(bytes);
    return true;
}

bool WriteHead(const fs::path& lasttime, const std::string& runId, std::string_view state) {
    const std::string text =
        std::string(kMagic) + "\r\nrun " + runId + "\r\nstate " + std::string(state) + "\r\n";
    return platform::ReplaceFileContents(lasttime, kJournalHeadName, "UNDO.JNL.tmp", text.data(),
                                         text.size());
}

bool ToInt(const std::string& text, std::int64_t& value) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::stoll(text);
    return true;
}

// One segment's entries into `contents`; false when it is not whole or not this run's.
bool ParseSegment(const std::vector<std::string>& lines, JournalContents& contents,
                  std::map<std::pair<std::string, int>, std::size_t>& dataIndex) {
    if (lines.empty() || lines.front() != "run " + contents.runId || lines.back() != "end") {
        return false;
    }
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::vector<std::string> f = Fields(lines[i]);
        if (f.empty()) {
            return false;
        }
        if (f[0] == "data" && f.size() == 9) {
            DataFileEntry entry;
            std::int64_t number = 0;
            if (!UnhexPath(f[1], entry.portfolio) || !ToInt(f[2], number) ||
                !ToInt(f[3], entry.recordLength) || !ToInt(f[4], entry.oldLength) ||
                !ToInt(f[5], entry.newLength) || !Unhex(f[6], entry.oldHeader) ||
                !Unhex(f[7], entry.oldTail) || f[8].size() != 16 ||
                f[8].find_first_not_of("0123456789abcdef") != std::string::npos) {
                return false;
            }
            entry.fileNumber = static_cast<int>(number);
            entry.newTailHash = std::stoull(f[8], nullptr, 16);
            entry.tailStart = entry.oldLength - static_cast<std::int64_t>(entry.oldTail.size());
            const auto key = std::pair{entry.portfolio.string(), entry.fileNumber};
            if (const auto found = dataIndex.find(key); found != dataIndex.end()) {
                // Changed twice in one run: undone to the first old state, checked against the
                // last new one.
                DataFileEntry& first = contents.dataFiles[found->second];
                first.newLength = entry.newLength;
                first.newTailHash = entry.newTailHash;
                first.tailStart = entry.tailStart;
                continue;
            }
            dataIndex.emplace(key, contents.dataFiles.size());
            contents.dataFiles.push_back(std::move(entry));
        } else if (f[0] == "master" && f.size() == 3) {
            MasterEntry entry;
            if (!UnhexPath(f[1], entry.portfolio) || !Unhex(f[2], entry.oldMaster)) {
                return false;
            }
            const bool known = std::any_of(
                contents.masters.begin(), contents.masters.end(),
                [&](const MasterEntry& master) { return master.portfolio == entry.portfolio; });
            if (!known) {
                contents.masters.push_back(std::move(entry));
            }
        } else if (f[0] == "file" && f.size() == 3) {
            MovedFileEntry entry;
            if (!UnhexPath(f[1], entry.original) || !platform::IsPlainName(f[2])) {
                return false;
            }
            entry.storedName = f[2];
            contents.movedFiles.push_back(std::move(entry));
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::uint64_t Fnv1a64(std::span<const std::uint8_t> bytes, std::uint64_t hash) {
    for (const std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 0x100000001b3ULL;
    }
    return hash;
}

fs::path LasttimeDirectory(const fs::path& workingDirectory) {
    return platform::ResolveEntry(workingDirectory, settings::kLasttimeDirectory);
}

bool UpdateJournal::Begin(const fs::path& workingDirectory) {
    m_lasttime.clear();
    m_pending.clear();
    m_notedMasters.clear();
    m_segments = 0;
    m_moved = 0;
    const fs::path lasttime = LasttimeDirectory(workingDirectory);
    platform::FileSystem& system = platform::CurrentFileSystem();
    if (!platform::IsDirectory(lasttime) && !system.CreateDirectory(lasttime)) {
        return false;
    }
    m_runId = std::to_string(std::chrono::system_clock::now().time_since_epoch().count()) + "-" +
              std::to_string(::getpid()) + "-" + std::to_string(++g_runSequence);
    // Once the head names this run, the previous run's segments and files mean nothing.
    if (!WriteHead(lasttime, m_runId, kStateOpen)) {
        return false;
    }
    m_lasttime = lasttime;
    for (const platform::DirectoryEntry& entry : platform::ListDirectory(lasttime)) {
        const std::string upper = platform::ToUpperAscii(entry.name);
        if (entry.isFile && upper != kJournalHeadName && upper.rfind("UNDO", 0) == 0 &&
            platform::HasExtension(upper, ".JNL")) {
            static_cast<void>(system.Remove(lasttime / entry.name));
        }
    }
    const fs::path moved = platform::ResolveEntry(lasttime, kMovedFilesDirectory);
    for (const platform::DirectoryEntry& entry : platform::ListDirectory(moved)) {
        if (entry.isFile) {
            static_cast<void>(system.Remove(moved / entry.name));
        }
    }
    return true;
}

void UpdateJournal::NoteDataFile(const fs::path& portfolio, int fileNumber,
                                 std::size_t recordLength, std::span<const std::uint8_t> oldData,
                                 std::span<const std::uint8_t> newTail) {
    const auto quotes = static_cast<std::size_t>(store::WholeRecordQuotes(
        static_cast<std::int64_t>(oldData.size()), static_cast<int>(recordLength)));
    const std::size_t header = std::min(recordLength, oldData.size());
    const std::size_t tailStart = quotes > 0 ? recordLength * quotes : header;
    std::ostringstream hash;
    hash.width(16);
    hash.fill('0');
    hash << std::hex << Fnv1a64(newTail);
    m_pending += "data " + Hex(fs::absolute(portfolio).string()) + " " +
                 std::to_string(fileNumber) + " " + std::to_string(recordLength) + " " +
                 std::to_string(oldData.size()) + " " + std::to_string(tailStart + newTail.size()) +
                 " " + Hex(oldData.subspan(0, header)) + " " + Hex(oldData.subspan(tailStart)) +
                 " " + hash.str() + "\r\n";
}

bool UpdateJournal::NoteMaster(const fs::path& portfolio) {
    const std::string absolute = fs::absolute(portfolio).string();
    if (std::find(m_notedMasters.begin(), m_notedMasters.end(), absolute) != m_notedMasters.end()) {
        return true;  // the first copy is the one before the run
    }
    std::vector<std::uint8_t> master;
    if (!platform::ReadWholeFile(store::MasterPath(portfolio), master)) {
        return false;
    }
    m_notedMasters.push_back(absolute);
    m_pending += "master " + Hex(absolute) + " " + Hex(master) + "\r\n";
    return true;
}

bool UpdateJournal::MakeDurable() {
    if (!Active() || m_segments >= kMaxSegments) {
        return false;
    }
    if (m_pending.empty()) {
        return true;
    }
    const std::string text = "run " + m_runId + "\r\n" + m_pending + "end\r\n";
    const std::string name = SegmentName(m_segments + 1);
    if (!platform::ReplaceFileContents(m_lasttime, name, name + ".tmp", text.data(), text.size())) {
        return false;
    }
    ++m_segments;
    m_pending.clear();
    return true;
}

void UpdateJournal::MoveAside(const std::vector<fs::path>& files) {
    if (files.empty() || !Active()) {
        return;
    }
    platform::FileSystem& system = platform::CurrentFileSystem();
    const fs::path moved = platform::ResolveEntry(m_lasttime, kMovedFilesDirectory);
    if (!platform::IsDirectory(moved) && !system.CreateDirectory(moved)) {
        return;
    }
    std::vector<std::pair<fs::path, std::string>> moves;
    for (const fs::path& file : files) {
        // Numbered, since update directories may hold files of the same name.
        moves.emplace_back(file, std::to_string(++m_moved) + "-" + file.filename().string());
        m_pending +=
            "file " + Hex(fs::absolute(file).string()) + " " + moves.back().second + "\r\n";
    }
    if (!MakeDurable()) {
        return;  // they stay; the next run finds their quotes stored already
    }
    for (const auto& [file, stored] : moves) {
        static_cast<void>(MoveFile(file, moved, stored));
    }
}

bool UpdateJournal::Finish() {
    return MakeDurable();
}

bool MoveFile(const fs::path& from, const fs::path& directory, std::string_view name) {
    platform::FileSystem& system = platform::CurrentFileSystem();
    if (system.Rename(from, directory / name)) {
        return true;
    }
    // Another file system: a synced copy first, so that a crash leaves the file in one place
    // or both.
    return platform::CopyToBackup(from, directory, name) && system.Remove(from);
}

std::optional<JournalContents> ReadJournal(const fs::path& workingDirectory, std::string& error) {
    error.clear();
    const fs::path lasttime = LasttimeDirectory(workingDirectory);
    if (!platform::FindEntry(lasttime, kJournalHeadName)) {
        return std::nullopt;
    }
    const fs::path head = platform::ResolveEntry(lasttime, kJournalHeadName);
    std::vector<std::string> lines;
    if (!ReadLines(lasttime, kJournalHeadName, lines) || lines.size() != 3 || lines[0] != kMagic ||
        lines[1].rfind("run ", 0) != 0 || lines[2].rfind("state ", 0) != 0) {
        error = head.string() + " cannot be read";
        return std::nullopt;
    }
    JournalContents contents;
    contents.runId = lines[1].substr(4);
    contents.undone = lines[2].substr(6) == kStateUndone;
    std::map<std::pair<std::string, int>, std::size_t> dataIndex;
    for (int number = 1; number <= kMaxSegments; ++number) {
        const std::string name = SegmentName(number);
        if (!platform::FindEntry(lasttime, name) || !ReadLines(lasttime, name, lines)) {
            break;
        }
        if (!lines.empty() && lines.front() != "run " + contents.runId) {
            break;  // left by an earlier run
        }
        if (!ParseSegment(lines, contents, dataIndex)) {
            error = (lasttime / name).string() + " is damaged";
            return std::nullopt;
        }
    }
    return contents;
}

bool MarkJournalUndone(const fs::path& workingDirectory, const std::string& runId) {
    return WriteHead(LasttimeDirectory(workingDirectory), runId, kStateUndone);
}

}  // namespace ticksmith::update
