#include "cli/examples.h"

#include <CLI/CLI.hpp>
#include <map>
#include <string>
#include <string_view>

namespace ticksmith::cli {

namespace {

// One worked example per command, keyed by the command's path; the paths are those of the
// bundled sample (a working directory with Portfolio/ and Sample/Textdata/).
const std::map<std::string_view, std::string_view>& Examples() {
    static const std::map<std::string_view, std::string_view> examples = {
        {"symbols", "ticksmith-cli symbols Portfolio"},
        {"quotes", "ticksmith-cli quotes Portfolio KBAY --all"},
        {"info", "ticksmith-cli info Portfolio KBAY"},
        {"settings", "ticksmith-cli settings get Settings ShowingGraph"},
        {"settings get", "ticksmith-cli settings get ZIP PkunzipPath"},
        {"settings set", "ticksmith-cli settings set Audit AuditEnable 1"},
        {"profile", "ticksmith-cli profile list"},
        {"profile list", "ticksmith-cli profile list"},
        {"profile show", "ticksmith-cli profile show Profile1"},
        {"profile save",
         "ticksmith-cli profile save Daily --dir Sample/Textdata --date-format MM_DD_YY"},
        {"profile assign", "ticksmith-cli profile assign Portfolio KBAY Daily"},
        {"profile assign-all", "ticksmith-cli profile assign-all Portfolio Daily"},
        {"skip", "ticksmith-cli skip Portfolio KBAY on"},
        {"skip-adjust", "ticksmith-cli skip-adjust Portfolio none"},
        {"update", "ticksmith-cli update Portfolio --report"},
        {"scan", "ticksmith-cli scan ~ --no-filter"},
        {"undo-update", "ticksmith-cli undo-update --dry-run"},
        {"new-symbols",
         "ticksmith-cli new-symbols --add-all --profile Profile1 --portfolio Portfolio"},
        {"check", "ticksmith-cli check Portfolio"},
        {"repair", "ticksmith-cli --yes repair Portfolio"},
        {"add-portfolio", "ticksmith-cli add-portfolio Funds"},
        {"delete-portfolio", "ticksmith-cli --yes delete-portfolio Funds"},
        {"add-symbol", "ticksmith-cli add-symbol Portfolio ACME \"ACME CORP\" --profile Profile1"},
        {"delete-symbol", "ticksmith-cli --yes delete-symbol Portfolio ACME"},
        {"move-symbol", "ticksmith-cli move-symbol Portfolio SLVX Funds"},
        {"copy-symbol", "ticksmith-cli copy-symbol Portfolio SLVX Funds"},
        {"edit-symbol", "ticksmith-cli edit-symbol Portfolio NWRL NWR \"NORWELL\""},
        {"find-symbol", "ticksmith-cli find-symbol KBAY --all Portfolio Funds"},
        {"edit-quote",
         "ticksmith-cli edit-quote Portfolio KBAY 01/02/25 46.90 47.23 46.76 47.09 771200 0"},
        {"split", "ticksmith-cli split Portfolio KBAY 01/02/25 2 1"},
        {"adjust", "ticksmith-cli adjust Portfolio KBAY 12/02/24 12/31/24 0.5 2 1"},
        {"add-quote", "ticksmith-cli add-quote Portfolio KBAY 01/02/25"},
        {"delete-quote", "ticksmith-cli --yes delete-quote Portfolio KBAY 01/02/25"},
        {"import",
         "ticksmith-cli import ~/history/ACME.TXT Portfolio --symbol-from-name "
         "--date-format MM_DD_YY"},
        {"export", "ticksmith-cli export Portfolio KBAY KBAY.TXT"},
        {"split-search", "ticksmith-cli split-search Portfolio"},
        {"print", "ticksmith-cli print Portfolio KBAY --pdf KBAY.pdf"},
    };
    return examples;
}

void AddExamplesBelow(CLI::App& parent, const std::string& path) {
    for (CLI::App* command : parent.get_subcommands({})) {
        const std::string name =
            path.empty() ? command->get_name() : path + " " + command->get_name();
        const auto found = Examples().find(name);
        // A command without one keeps an empty footer, which the tests notice.
        command->footer(found == Examples().end() ? std::string()
                                                  : "Example:\n  " + std::string(found->second));
        AddExamplesBelow(*command, name);
    }
}

}  // namespace

void AddExamples(CLI::App& app) {
    app.footer(
        "Examples (in a working directory that holds the portfolio Portfolio/):\n"
        "  ticksmith-cli update --report         update every portfolio found, then report\n"
        "  ticksmith-cli quotes Portfolio KBAY   the newest quotes of KBAY\n"
        "  ticksmith-cli COMMAND --help          a command's options and an example");
    AddExamplesBelow(app, "");
}

}  // namespace ticksmith::cli
