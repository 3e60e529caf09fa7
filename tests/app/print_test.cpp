// The printed list of quotes: the pages the core makes, their rendering into a PDF (checked
// with poppler's tools, as a reader of the file would see it), the window's print commands
// answered through the dialog seam, and ticksmith-cli print.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <array>
#include <cstdio>
#include <sstream>

#include "app/print_commands.h"
#include "portfolio/print_pages.h"
#include "print/quote_printer.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;
using portfolio::PrintGeometry;

// A command's standard output; the test fails when it does not exit with `expected`.
std::string RunTool(const std::string& command, int expected = 0) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << command;
        return out;
    }
    std::array<char, 4096> buffer{};
    while (std::size_t read = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        out.append(buffer.data(), read);
    }
    const int status = ::pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), expected) << command << "\n" << out;
    return out;
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

int PdfPages(const fs::path& pdf) {
    const std::string info = RunTool("pdfinfo " + Quoted(pdf));
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromStdString(info));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

std::string Collapsed(const std::string& text) {
    return QString::fromStdString(text).simplified().toStdString();
}

// Each page's non-empty lines as pdftotext lays them out, blanks collapsed.
std::vector<std::vector<std::string>> PdfText(const fs::path& pdf) {
    std::istringstream text(RunTool("pdftotext -layout " + Quoted(pdf) + " -"));
    std::vector<std::vector<std::string>> pages(1);
    std::string line;
    while (std::getline(text, line)) {
        for (std::size_t feed; (feed = line.find('\f')) != std::string::npos;) {
            if (!Collapsed(line.substr(0, feed)).empty()) {
                pages.back().push_back(Collapsed(line.substr(0, feed)));
            }
            pages.emplace_back();
            line.erase(0, feed + 1);
        }
        if (!Collapsed(line).empty()) {
            pages.back().push_back(Collapsed(line));
        }
    }
    if (pages.back().empty()) {
        pages.pop_back();  // after the last page's form feed
    }
    return pages;
}

std::vector<std::vector<std::string>> CollapsedPages(
    const std::vector<std::vector<std::string>>& pages) {
    std::vector<std::vector<std::string>> collapsed;
    for (const auto& page : pages) {
        collapsed.emplace_back();
        for (const std::string& line : page) {
            collapsed.back().push_back(Collapsed(line));
        }
    }
    return collapsed;
}

// A word's box in points, as pdftotext -bbox gives it.
struct Word {
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::string text;
};

std::vector<Word> FirstPageWords(const fs::path& pdf) {
    const QString html =
        QString::fromStdString(RunTool("pdftotext -bbox -f 1 -l 1 " + Quoted(pdf) + " -"));
    static const QRegularExpression wordPattern(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)"));
    std::vector<Word> words;
    for (auto match = wordPattern.globalMatch(html); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        words.push_back({found.captured(1).toDouble(), found.captured(2).toDouble(),
                         found.captured(3).toDouble(), found.captured(4).toDouble(),
                         found.captured(5).toStdString()});
    }
    return words;
}

std::vector<std::string> SampleLines(int count, portfolio::IntegerDisplay display = {}) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back(portfolio::PrintLine(SampleQuote(i), display));
    }
    return lines;
}

// ---- The pages -------------------------------------------------------------------------

TEST(PrintPages, ALineIsTheDateAndATabBeforeEachValueTheRecordCarries) {
    store::Quote quote = SampleQuote(0);
    EXPECT_EQ(portfolio::PrintLine(quote, {}),
              "01/03/00\t10.0000\t11.0000\t9.5000\t10.5000\t1000.0000\t0.0000");
    EXPECT_EQ(portfolio::PrintLine(quote, {true, true}),
              "01/03/00\t10.0000\t11.0000\t9.5000\t10.5000\t1000\t0");
    // Without open interest: six texts, the volume last; without open no empty column either.
    quote.openInterest = store::kAbsentValue;
    EXPECT_EQ(portfolio::PrintLine(quote, {}),
              "01/03/00\t10.0000\t11.0000\t9.5000\t10.5000\t1000.0000");
    quote.open = store::kAbsentValue;
    EXPECT_EQ(portfolio::PrintLine(quote, {true, false}),
              "01/03/00\t11.0000\t9.5000\t10.5000\t1000");
}

TEST(PrintPages, PagesBreakAfterTheLinesThatFitAndTheLastHoldsTheRest) {
    // 11 inches of printable height and 21-unit lines: two lines of margin, 50 to print.
    EXPECT_EQ(portfolio::LinesPerPage(1100, 21), 50);
    EXPECT_EQ(portfolio::LinesPerPage(-1100, 21), 50);  // low-English heights are negative
    EXPECT_EQ(portfolio::LinesPerPage(30, 21), 1);      // a page too small still advances

    const auto lines = SampleLines(120);
    const auto pages = portfolio::PrintPages(lines, 50);
    ASSERT_EQ(pages.size(), 3U);
    EXPECT_EQ(pages[0].front(), lines[0]);
    EXPECT_EQ(pages[1].front(), lines[50]);
    ASSERT_EQ(pages[2].size(), 20U);
    EXPECT_EQ(pages[2].front(), lines[100]);
    EXPECT_EQ(pages[2].back(), lines[119]);

    // 16,000 quotes at 48 lines a page: 333 full pages and 16 lines on the 334th.
    const auto many = SampleLines(16000);
    const auto manyPages = portfolio::PrintPages(many, 48);
    ASSERT_EQ(manyPages.size(), 334U);
    EXPECT_EQ(portfolio::PageCount(16000, 48), 334);
    EXPECT_EQ(manyPages[0].front(), many[0]);
    EXPECT_EQ(manyPages[0].back(), many[47]);
    EXPECT_EQ(manyPages[333].front(), many[15984]);
    EXPECT_EQ(manyPages[333].back(), many[15999]);
    EXPECT_EQ(manyPages[333].size(), 16U);
    EXPECT_EQ(portfolio::PageCount(96, 48), 2);  // no empty page after an exact fill

    // No quotes: no line, on the one page a print job has.
    const auto none = portfolio::PrintPages({}, 50);
    ASSERT_EQ(none.size(), 1U);
    EXPECT_TRUE(none[0].empty());
}

TEST(PrintPages, TabsMoveToTheNextInchBeyondTheText) {
    EXPECT_EQ(portfolio::NextTabStop(0, 100), 100);
    EXPECT_EQ(portfolio::NextTabStop(72, 100), 100);
    EXPECT_EQ(portfolio::NextTabStop(100, 100), 200);  // text ending on a stop goes on
    EXPECT_EQ(portfolio::NextTabStop(135, 100), 200);
    // Near the right edge a text is pulled back to end inside, but keeps its gap.
    EXPECT_EQ(portfolio::TextStart(520, 50, 100, 725, 10), 600);
    EXPECT_EQ(portfolio::TextStart(620, 50, 100, 725, 10), 675);
    EXPECT_EQ(portfolio::TextStart(690, 50, 100, 725, 10), 700);  // no room: the gap wins
}

TEST(PrintPages, TheWholeSeriesIsReadOldestFirstAlsoBeyondAWholeSeriesRead) {
    TempDir dir;
    AddSymbol(dir.path(), "LONG", 16050);
    AddSymbol(dir.path(), "EMPTY", 0);
    store::FieldSet noOpenInterest = store::kStandardFields;
    noOpenInterest[store::kOpenInterest] = false;
    AddSymbol(dir.path(), "NOOI", 3, noOpenInterest);

    std::vector<std::string> lines;
    ASSERT_EQ(portfolio::ReadPrintLines(dir.path(), "LONG", {}, lines), store::kSuccess);
    ASSERT_EQ(lines.size(), 16050U);
    EXPECT_EQ(lines.front(), portfolio::PrintLine(SampleQuote(0), {}));
    EXPECT_EQ(lines.back(), portfolio::PrintLine(SampleQuote(16049), {}));

    ASSERT_EQ(portfolio::ReadPrintLines(dir.path(), "EMPTY", {}, lines), store::kSuccess);
    EXPECT_TRUE(lines.empty());

    ASSERT_EQ(portfolio::ReadPrintLines(dir.path(), "NOOI", {true, true}, lines), store::kSuccess);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[2], "01/05/00\t10.5000\t11.5000\t10.0000\t11.0000\t3000");

    EXPECT_NE(portfolio::ReadPrintLines(dir.path(), "NOSUCH", {}, lines), store::kSuccess);
}

// ---- The PDF ---------------------------------------------------------------------------

class PrintPdf : public testing::Test {
  protected:
    fs::path Pdf(const std::string& name) const { return dir.path() / name; }

    TempDir dir;
};

TEST_F(PrintPdf, PagesFontAndTextAreThoseOfThePageFunction) {
    // Volumes past 100000 with decimals are wider than their inch: the open interest after
    // them stays on the page.
    const auto lines = SampleLines(120);
    const fs::path pdf = Pdf("q.pdf");
    ASSERT_TRUE(print::WritePdf(QString::fromStdString(pdf.string()), "Q", lines));
    EXPECT_FALSE(fs::exists(Pdf("q.pdf.~pdf")));

    QPrinter printer(QPrinter::HighResolution);
    print::SetUpPdf(printer, QString::fromStdString(Pdf("unused.pdf").string()), "Q");
    const print::DeviceGeometry geometry = print::GeometryFor(printer);
    const int pages = print::PageCountFor(printer, lines);
    EXPECT_GT(pages, 1);
    EXPECT_EQ(PdfPages(pdf), pages);
    EXPECT_EQ(PdfText(pdf), CollapsedPages(portfolio::PrintPages(lines, geometry.linesPerPage)));

    // Arial bold, or the bold sans-serif that stands in for it.
    const std::string fonts = RunTool("pdffonts " + Quoted(pdf));
    EXPECT_NE(fonts.find("Bold"), std::string::npos) << fonts;
}

TEST_F(PrintPdf, MarginsLineHeightAndTabStopsKeepTheirSizesInPoints) {
    const auto lines = SampleLines(10);
    const fs::path pdf = Pdf("m.pdf");
    ASSERT_TRUE(print::WritePdf(QString::fromStdString(pdf.string()), "M", lines));
    const std::vector<Word> words = FirstPageWords(pdf);
    ASSERT_EQ(words.size(), 70U);  // ten lines of seven texts

    const double point = 72.0 / 100.0;  // points per hundredth of an inch
    const double border = 0.25 * 72.0;  // the PDF's unprintable border
    const double lineHeight = words[7].yMin - words[0].yMin;
    // "Fg" is 16 units high, plus 5.
    EXPECT_NEAR(lineHeight, (PrintGeometry::kFontHeight + PrintGeometry::kLineGap) * point, 0.5);
    EXPECT_NEAR(words[63].yMin - words[0].yMin, 9 * lineHeight, 0.5);
    EXPECT_NEAR(words[0].xMin, border + PrintGeometry::kLeftMargin * point, 1.0);
    EXPECT_EQ(words[0].text, "01/03/00");
    // Each value starts on the next inch after the text before it.
    EXPECT_NEAR(words[1].xMin - words[0].xMin, PrintGeometry::kTabStop * point, 1.0);
    EXPECT_NEAR(words[2].xMin - words[0].xMin, 2 * PrintGeometry::kTabStop * point, 1.0);
    // The first line's cell starts two line heights below the border; the word box is a
    // little inside the cell.
    EXPECT_NEAR(words[0].yMin, border + 2 * lineHeight, 0.4 * lineHeight);
}

TEST_F(PrintPdf, AFileThatCannotBeWrittenIsReportedAndLeavesTheOldOne) {
    const fs::path pdf = Pdf("keep.pdf");
    WriteBytes(pdf, std::string("old"));
    fs::create_directory(Pdf("keep.pdf.~pdf"));  // the sibling cannot be made
    EXPECT_FALSE(print::WritePdf(QString::fromStdString(pdf.string()), "K", SampleLines(3)));
    EXPECT_EQ(ReadBytes(pdf), Bytes({'o', 'l', 'd'}));
    EXPECT_FALSE(print::WritePdf(QString::fromStdString((dir.path() / "no" / "x.pdf").string()),
                                 "K", SampleLines(3)));
}

// ---- The window ------------------------------------------------------------------------

// The scripted dialogs with the save-file chooser answered too.
class SavingDialogs : public ScriptedDialogs {
  public:
    QString SaveFileName(QWidget*, const QString& title, const QString& start,
                         const QString&) override {
        dialogTitles.push_back(title.toStdString());
        fileStarts.push_back(start.toStdString());
        if (saveAnswers.empty()) {
            return {};
        }
        QString next = saveAnswers.front();
        saveAnswers.pop_front();
        return next;
    }
    std::deque<QString> saveAnswers;
};

class PrintWindow : public testing::Test, public WindowFixture {
  protected:
    // Two pages.
    static constexpr int kQuotes = 99;

    PrintWindow() : m_saving(saving) {}

    void SetUp() override {
        fs::create_directories(Portfolio("A"));
        AddSymbol(Portfolio("A"), "AAA", kQuotes);
        Open();
    }

    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        EXPECT_EQ(portfolio::ReadPrintLines(Portfolio("A"), "AAA", {}, lines), store::kSuccess);
        return lines;
    }

    SavingDialogs saving;

  private:
    app::ScopedDialogSeam m_saving;
};

TEST_F(PrintWindow, CtrlPPrintsTheWholeSeriesOnThePrinterTheDialogChose) {
    const fs::path pdf = root.path() / "printed.pdf";
    int lastPage = 0;
    saving.dialogAnswers.push_back([&](QDialog& dialog) {
        auto& printDialog = dynamic_cast<QPrintDialog&>(dialog);
        lastPage = printDialog.maxPage();
        printDialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        printDialog.printer()->setOutputFileName(QString::fromStdString(pdf.string()));
        return int{QDialog::Accepted};
    });
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_P, Qt::ControlModifier);
    ASSERT_TRUE(saving.dialogAnswers.empty()) << "Ctrl+P showed no print dialog";
    EXPECT_TRUE(saving.messages.empty());
    const int pages = PdfPages(pdf);
    EXPECT_EQ(pages, lastPage);
    EXPECT_EQ(pages, print::PageCountFor(app::ViewPrinter(View()), Lines()));
    const auto text = PdfText(pdf);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.front().front(), Collapsed(Lines().front()));
    EXPECT_EQ(text.back().back(), Collapsed(Lines().back()));

    // Cancel prints nothing.
    fs::remove(pdf);
    saving.dialogAnswers.push_back([](QDialog&) { return int{QDialog::Rejected}; });
    View().Execute(CommandId::kPrint);
    EXPECT_FALSE(fs::exists(pdf));
}

TEST_F(PrintWindow, ExportToPdfWritesTheSamePagesWhereTheChooserSays) {
    const fs::path pdf = root.path() / "out";
    saving.saveAnswers.push_back(QString::fromStdString(pdf.string()));
    View().Execute(CommandId::kExportPdf);
    ASSERT_EQ(saving.fileStarts.size(), 1U);
    EXPECT_TRUE(QString::fromStdString(saving.fileStarts[0]).endsWith("AAA.pdf"));
    const fs::path written = root.path() / "out.pdf";  // the suffix is added
    ASSERT_TRUE(fs::exists(written));
    QPrinter printer(QPrinter::HighResolution);
    print::SetUpPdf(printer, QString(), "AAA");
    printer.setPageLayout(app::ViewPrinter(View()).pageLayout());  // what Print Setup chose
    EXPECT_EQ(PdfText(written), CollapsedPages(portfolio::PrintPages(
                                    Lines(), print::GeometryFor(printer).linesPerPage)));

    // A cancelled chooser writes nothing; a place that cannot be written says so.
    View().Execute(CommandId::kExportPdf);
    saving.saveAnswers.push_back(QString::fromStdString((root.path() / "no" / "x.pdf").string()));
    View().Execute(CommandId::kExportPdf);
    EXPECT_TRUE(saving.Showed("Cannot write")) << testing::PrintToString(saving.messages);
}

TEST_F(PrintWindow, PreviewAndSetupShowThePlatformsDialogsOverTheViewsPrinter) {
    int previewPages = 0;
    saving.dialogAnswers.push_back([&](QDialog& dialog) {
        auto& preview = dynamic_cast<QPrintPreviewDialog&>(dialog);
        // The preview paints when it is shown.
        preview.show();
        auto* pages = preview.findChild<QPrintPreviewWidget*>();
        EXPECT_NE(pages, nullptr);
        if (pages != nullptr) {
            previewPages = pages->pageCount();
        }
        EXPECT_EQ(previewPages, print::PageCountFor(*preview.printer(), Lines()));
        preview.close();
        return int{QDialog::Rejected};
    });
    View().Execute(CommandId::kPrintPreview);
    EXPECT_TRUE(saving.dialogAnswers.empty());
    EXPECT_GT(previewPages, 1);

    saving.dialogAnswers.push_back([&](QDialog& dialog) {
        EXPECT_NE(dynamic_cast<QPageSetupDialog*>(&dialog), nullptr);
        return int{QDialog::Rejected};
    });
    View().Execute(CommandId::kPrintSetup);
    EXPECT_TRUE(saving.dialogAnswers.empty());
    EXPECT_TRUE(saving.messages.empty()) << testing::PrintToString(saving.messages);
}

// ---- ticksmith-cli ---------------------------------------------------------------------

TEST(PrintCli, WritesThePdfTheWindowWouldAndRefusesWhatIsMissing) {
    TempDir dir;
    const fs::path portfolio = dir.path() / "P";
    fs::create_directories(portfolio);
    AddSymbol(portfolio, "CLI", 99);
    const std::string cli = std::string("env -u QT_QPA_PLATFORM ") + TICKSMITH_CLI +
                            " --settings " + Quoted(dir.path() / "t.ini");
    const fs::path pdf = dir.path() / "cli.pdf";
    const std::string out =
        RunTool(cli + " print " + Quoted(portfolio) + " cli --pdf " + Quoted(pdf));
    EXPECT_NE(out.find("99 quotes"), std::string::npos) << out;
    std::vector<std::string> lines;
    ASSERT_EQ(portfolio::ReadPrintLines(portfolio, "CLI", {}, lines), store::kSuccess);
    const auto text = PdfText(pdf);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.front().front(), Collapsed(lines.front()));
    EXPECT_EQ(text.back().back(), Collapsed(lines.back()));

    const std::string noSymbol = RunTool(
        cli + " print " + Quoted(portfolio) + " NONE --pdf " + Quoted(dir.path() / "n.pdf"), 1);
    EXPECT_NE(noSymbol.find("no symbol NONE"), std::string::npos) << noSymbol;
    RunTool(cli + " print " + Quoted(dir.path() / "gone") + " CLI --pdf " +
                Quoted(dir.path() / "n.pdf"),
            1);
    EXPECT_FALSE(fs::exists(dir.path() / "n.pdf"));
    const std::string help = RunTool(cli + " print --help");
    EXPECT_NE(help.find("Example:"), std::string::npos);
}

}  // namespace
}  // namespace ticksmith::test
