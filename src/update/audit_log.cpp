#include "update/audit_log.h"

#include <vector>

#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/text_lines.h"

namespace ticksmith::update {

namespace {

// The report's reader took lines through a 300-byte buffer.
constexpr std::size_t kReportPieceLimit = 299;

std::string AfterFirstColon(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon + 2 > line.size()) {
        return {};
    }
    return std::string(line.substr(colon + 2));
}

std::string LastCharacterAsSpace(std::string text) {
    if (!text.empty()) {
        text.back() = ' ';
    }
    return text;
}

// The log's lines as the report's reader sees them: pieces with their line feed.
std::vector<std::string> ReportLines(std::string_view text) {
    std::vector<std::string> lines;
    platform::LinePieceReader reader(text, kReportPieceLimit);
    std::string_view piece;
    bool endsLine = false;
    while (reader.Next(piece, endsLine)) {
        lines.push_back(std::string(piece) + (endsLine ? "\n" : ""));
    }
    return lines;
}

// Text files end their lines with CR LF, as on the platform the format comes from.
std::string WithCrLf(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    return bytes;
}

}  // namespace

bool AppendAuditLine(const fs::path& workingDirectory, std::string_view line) {
    const fs::path path = platform::ResolveEntry(workingDirectory, kAuditFileName);
    std::vector<std::uint8_t> bytes;
    if (platform::IsRegularFile(path) && !platform::ReadWholeFile(path, bytes)) {
        return false;
    }
    const std::string added = WithCrLf(std::string(line) + "\n");
    bytes.insert(bytes.end(), added.begin(), added.end());
    return platform::ReplaceFileContents(workingDirectory, kAuditFileName,
                                         std::string(kAuditFileName) + ".tmp", bytes.data(),
                                         bytes.size());
}

bool AuditLog::Open(const fs::path& workingDirectory) {
    m_file = std::make_unique<platform::ReplacementFile>(workingDirectory, kAuditFileName,
                                                         std::string(kAuditFileName) + ".tmp");
    m_path = m_file->TargetPath();
    if (!m_file->Open()) {
        m_file.reset();
        return false;
    }
    return true;
}

bool AuditLog::Close() {
    if (!m_file) {
        return false;
    }
    const bool committed = m_file->Commit();
    m_file.reset();
    return committed;
}

void AuditLog::Write(std::string_view text) {
    if (!m_file) {
        return;
    }
    const std::string bytes = WithCrLf(text);
    // A failed write stays with the file, and Close reports it.
    static_cast<void>(m_file->Write(bytes.data(), bytes.size()));
}

void AuditLog::RunHeader(std::time_t now) {
    Write("Results of Ticksmith for " + LongDateTimeText(now) + "\n");
}

void AuditLog::PortfolioHeader(std::string_view portfolioDirectory) {
    Write("\nAudit for MASTER at: " + AuditName(portfolioDirectory) + "\n");
}

void AuditLog::QuoteAdded(std::string_view nextDayText, std::string_view symbol,
                          std::string_view portfolioDirectory, const fs::path& updateFile) {
    Write("Quote for: " + std::string(nextDayText) + " added to: " + std::string(symbol) +
          " in directory " + AuditName(portfolioDirectory) + " from file " +
          AuditName(updateFile.string()) + "\n");
}

void AuditLog::ArchiveExpanded(std::string_view action, std::string_view archivePath,
                               long long milliseconds) {
    Write(std::string(action) + " of " + AuditName(archivePath) + " took " +
          std::to_string(milliseconds) + " milliseconds\n");
}

void AuditLog::ArchiveFailed(std::string_view action, std::string_view archiveName) {
    Write("ERROR: " + std::string(action) + " failure for file " + AuditName(archiveName) + "\n");
}

void AuditLog::SymbolFailed(std::string_view symbol) {
    Write(std::string(kFailedSymbolLine) + std::string(symbol) + "\n");
}

void AuditLog::DatesTakenFromData(std::string_view symbol, std::string_view portfolioDirectory) {
    Write("Dates of " + std::string(symbol) + " in directory " + AuditName(portfolioDirectory) +
          " taken from its data file, which already holds the new quote\n");
}

std::string AuditName(std::string_view name) {
    std::string text;
    text.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += c;
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\t') {
            text += "\\t";
        } else {
            constexpr char kHex[] = "0123456789ABCDEF";
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        }
    }
    return text;
}

std::string LongDateTimeText(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[128];
    if (std::strftime(buffer, sizeof buffer, "%A, %B %d, %Y, %H:%M:%S", &local) == 0) {
        return {};
    }
    return buffer;
}

AnomalyReport BuildAnomalyReport(const fs::path& auditFile, int count) {
    AnomalyReport report;
    report.count = count;
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(auditFile, bytes)) {
        return report;
    }
    const std::vector<std::string> lines =
        ReportLines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!lines.empty()) {
        report.header = lines.front();
        if (!report.header.empty() && report.header.back() == '\n') {
            report.header.pop_back();
        }
    }
    if (count == 0) {
        report.entries = {"No quotes were updated this time.",
                          "Perhaps....",
                          "   this was a holiday",
                          "   this was a redundant update",
                          "   you have not established Profiles",
                          "   your Profiles reference invalid file locations",
                          " ",
                          "See you next time!"};
    } else {
        std::string portfolio;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (line.find("MASTER") != std::string::npos) {
                portfolio = AfterFirstColon(line);
            }
            if (line.find("--->") != std::string::npos) {
                report.entries.push_back(LastCharacterAsSpace(AfterFirstColon(line)) + "in " +
                                         LastCharacterAsSpace(portfolio));
            }
        }
        if (report.entries.empty()) {
            report.entries = {"No anomalies to report!", " ", "See you next time!"};
        }
    }
    report.entries.emplace_back();
    for (const std::string& line : lines) {
        if (line.find("ERROR") != std::string::npos) {
            report.entries.push_back(LastCharacterAsSpace(line));
        }
    }
    return report;
}

}  // namespace ticksmith::update
