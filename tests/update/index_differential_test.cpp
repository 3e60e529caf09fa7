#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "update/update_index.h"
#include "update/update_line.h"
#include "update_support.h"

namespace ticksmith::update_test {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    }
    return text;
}

// One line of the directory as the plain search meets it.
struct PlainLine {
    fs::path file;
    char first = '\0';      // first character that is neither space nor tab
    std::string firstWord;  // once the first delimiter became a space
    std::string column;     // the symbol column
    store::DayNumber day = 0;
    store::Quote quote;
};

// The lines in search order: files sorted by name without regard to case and reversed (no
// directories, dot-names, archives or programs), each read as fgets with a 300-byte buffer
// reads a file opened in text mode.
std::vector<PlainLine> LinesInSearchOrder(const fs::path& dir, const profiles::Profile& profile) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        const std::string tail = Upper(name.substr(name.size() < 4 ? 0 : name.size() - 4));
        if (!entry.is_directory() && name[0] != '.' && tail != ".EXE" && tail != ".ZIP" &&
            tail != ".COM") {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::pair(Upper(a), a) > std::pair(Upper(b), b);
    });
    std::vector<PlainLine> lines;
    for (const std::string& name : names) {
        std::ifstream in(dir / name, std::ios::binary);
        std::string text;
        for (const char c : std::string(std::istreambuf_iterator<char>(in), {})) {
            if (c == '\n' && !text.empty() && text.back() == '\r') {
                text.pop_back();
            }
            text += c;
        }
        for (std::size_t at = 0, end; at < text.size(); at = end) {
            end = std::min(at + 299, std::min(text.find('\n', at), text.size() - 1) + 1);
            std::string piece = text.substr(at, end - at);
            piece = piece.substr(0, piece.find('\0'));
            piece.erase(std::remove(piece.begin(), piece.end(), '"'), piece.end());
            const bool lineFeed = !piece.empty() && piece.back() == '\n';
            if (lineFeed) {
                piece.pop_back();
            }
            PlainLine line;
            line.file = dir / name;
            const std::size_t first = piece.find_first_not_of(" \t");
            line.first = first == std::string::npos ? '\0' : piece[first];
            std::string copy = piece;
            const std::size_t delimiter = copy.find(profile.delimiter == 0 ? ',' : '\t');
            if (profile.delimiter != 2 && delimiter != std::string::npos) {
                copy[delimiter] = ' ';
            }
            std::istringstream(copy) >> line.firstWord;
            update::SplitFields fields;
            line.column = update::SplitLine({piece, lineFeed}, profile, fields);
            line.day = store::ParseDateText(fields.Column(profile.dateColumn), profile.dateFormat);
            line.quote = update::BuildQuote(fields, profile);
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

bool Names(const PlainLine& line, const profiles::Profile& profile, const std::string& symbol) {
    return profile.symbolColumn == 1
               ? line.first == symbol[0] && Upper(line.firstWord) == Upper(symbol)
               : Upper(line.column) == Upper(symbol);
}

// The search the index stands in for: the first line that names the symbol and is newer.
const PlainLine* PlainSearch(const std::vector<PlainLine>& lines, const profiles::Profile& profile,
                             const std::string& symbol, store::DayNumber lastDay) {
    for (const PlainLine& line : lines) {
        if (Names(line, profile, symbol) && line.day > lastDay) {
            return &line;
        }
    }
    return nullptr;
}

// The catch-up: day after day, the first line of that day in search order.
std::vector<const PlainLine*> PlainCatchUp(const std::vector<PlainLine>& lines,
                                           const profiles::Profile& profile,
                                           const std::string& symbol, store::DayNumber lastDay) {
    std::vector<const PlainLine*> found;
    for (store::DayNumber day = lastDay;;) {
        const PlainLine* next = nullptr;
        for (const PlainLine& line : lines) {
            if (Names(line, profile, symbol) && line.day > day &&
                (next == nullptr || line.day < next->day)) {
                next = &line;
            }
        }
        if (next == nullptr) {
            return found;
        }
        found.push_back(next);
        day = next->day;
    }
}

void ExpectSameQuote(const store::Quote& got, const store::Quote& want) {
    for (int field = 0; field < store::kFieldCount; ++field) {
        const auto f = static_cast<store::Field>(field);
        ASSERT_EQ(got.Value(f), want.Value(f)) << field;
    }
}

class Generator {
  public:
    explicit Generator(unsigned seed) : m_rng(seed) {}
    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool Chance(int percent) { return Int(1, 100) <= percent; }
    template <typename T>
    T Pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(Int(0, static_cast<int>(items.size()) - 1))];
    }
    std::uint8_t Byte(int low, int high) { return static_cast<std::uint8_t>(Int(low, high)); }

    profiles::Profile Profile(const fs::path& dir) {
        const auto column = [&] { return Chance(15) ? std::uint8_t{0} : Byte(1, 22); };
        profiles::Profile profile{1,           Chance(50) ? std::uint8_t{1} : Byte(2, 4),
                                  0,           column(),
                                  column(),    column(),
                                  column(),    column(),
                                  column(),    0,
                                  Byte(1, 12), Byte(0, 2),
                                  dir.string()};
        do {
            profile.dateColumn = Byte(1, 5);
        } while (profile.dateColumn == profile.symbolColumn);
        return profile;
    }

    std::string Field(const profiles::Profile& profile, int column, store::DayNumber base) {
        static const std::vector<std::string> kSymbols = {"IBM",  "ibm", "Ibm", "IB", "I", "MSFT",
                                                          "msft", "A",   "AB",  "0",  "X1"};
        if (column == profile.symbolColumn) {
            return (Chance(10) ? "\"" : "") + Pick(kSymbols);
        }
        if (column == profile.dateColumn && !Chance(8)) {
            return store::FormatDateText(static_cast<store::DayNumber>(base + Int(-3, 3)),
                                         Chance(90) ? profile.dateFormat : Int(1, 12),
                                         Pick<char>({'/', '-', '.'}));
        }
        const int kind = Int(0, 9);
        if (kind < 2) {
            return kind == 0 ? "" : "N/A";
        }
        return (kind == 2 ? "\"" : "") + std::to_string(Int(-50, 99999)) +
               (kind == 3 ? "e2" : ".25");
    }

    // Empty fields, doubled delimiters, quotes, NUL bytes, lines over 299 characters, more
    // than 20 columns, all three line ends.
    std::string Line(const profiles::Profile& profile, store::DayNumber base) {
        const char delimiter = profile.delimiter == 0 ? ',' : profile.delimiter == 1 ? '\t' : ' ';
        std::string line = Chance(10) ? Pick<std::string>({" ", "\t", "  \t"}) : "";
        for (int column = 1, columns = Int(1, Chance(5) ? 30 : 9); column <= columns; ++column) {
            line += (column == 1 ? "" : std::string(Chance(10) ? 2 : 1, delimiter)) +
                    Field(profile, column, base);
        }
        if (Chance(5)) {
            line.insert(static_cast<std::size_t>(Int(0, static_cast<int>(line.size()))), 1, '\0');
        }
        if (Chance(6)) {
            line.insert(0, std::string(static_cast<std::size_t>(Int(290, 310)), 'x'));
        }
        return line + Pick<std::string>({"\n", "\n", "\r\n", "\r\n", "\r", ""});
    }

  private:
    std::mt19937 m_rng;
};

TEST(UpdateIndexTest, AnswersAsTheLineByLineSearchDoes) {
    Scratch temp;
    const fs::path dir = temp.path() / "upd";
    Generator random(20260612);
    const std::vector<std::string> names = {"a.txt", "A.TXT", "b_1.txt", "B1.txt", "quotes",
                                            "x.ZIP", "y.exe", "z.Com",   ".hidden"};
    const std::vector<std::string> queries = {"IBM",  "ibm", "Ibm", "IB", "I",
                                              "MSFT", "A",   "AB",  "0",  "ZZZ"};
    const int rounds = LongTests() ? 20000 : 2000;
    int matches = 0;
    int catchUpDays = 0;  // days beyond the first that a catch-up found
    for (int round = 0; round < rounds; ++round) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        const profiles::Profile profile = random.Profile(dir);
        const auto base = static_cast<store::DayNumber>(random.Int(13000, 16000));
        for (int file = random.Int(0, 4); file > 0; --file) {
            std::string text;
            for (int line = random.Int(0, 25); line > 0; --line) {
                text += random.Line(profile, base);
            }
            WriteText(dir / random.Pick(names), text);
        }
        if (random.Chance(10)) {
            fs::create_directories(dir / "sub.txt");
        }
        const update::UpdateDirectoryIndex index(dir, profile);
        const std::vector<PlainLine> lines = LinesInSearchOrder(dir, profile);
        for (const std::string& symbol : queries) {
            for (const auto lastDay :
                 {store::DayNumber{0}, static_cast<store::DayNumber>(base + random.Int(-3, 3))}) {
                SCOPED_TRACE("round " + std::to_string(round) + ", " + symbol + " after day " +
                             std::to_string(lastDay));
                const PlainLine* want = PlainSearch(lines, profile, symbol, lastDay);
                const auto got = index.FindNewer(symbol, lastDay);
                ASSERT_EQ(got.has_value(), want != nullptr);
                if (want != nullptr) {
                    ++matches;
                    ASSERT_EQ(*got->file, want->file);
                    ExpectSameQuote(got->quote, want->quote);
                }
                const std::vector<const PlainLine*> wantAll =
                    PlainCatchUp(lines, profile, symbol, lastDay);
                const auto gotAll = index.FindAllNewer(symbol, lastDay);
                ASSERT_EQ(gotAll.size(), wantAll.size());
                for (std::size_t i = 0; i < gotAll.size(); ++i) {
                    catchUpDays += i > 0 ? 1 : 0;
                    ASSERT_EQ(*gotAll[i].file, wantAll[i]->file) << i;
                    ExpectSameQuote(gotAll[i].quote, wantAll[i]->quote);
                }
            }
        }
    }
    // The generator must make the questions worth asking.
    EXPECT_GT(matches, rounds);
    EXPECT_GT(catchUpDays, rounds);
}

}  // namespace
}  // namespace ticksmith::update_test
