#include "cli/cli.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <new>
#include <ranges>
#include <string>
#include <string_view>
#include <vector>

#include <QCommandLineParser>

#include "cli/balance_commands.h"
#include "cli/built_in_texts.h"
#include "cli/change_commands.h"
#include "cli/check.h"
#include "cli/cli_error.h"
#include "cli/commands.h"
#include "cli/files.h"
#include "cli/folder_diff.h"
#include "cli/standard_streams.h"
#include "cli/terminal_text.h"
#include "cli/textconv.h"
#include "cli/tune_command.h"
#include "files/error.h"
#include "files/game_file.h"
#include "files/message_text.h"
#include "game/tables/text_table.h"

namespace valmor::cli {

using tables::ImportError;
using tables::shown;
using tables::TableFormat;
using tables::tableFormatNamed;

namespace {

constexpr std::string_view kProgram = "valmor-data";

struct OptionInfo {
    QStringList names;
    QString valueName; // empty for a flag
    std::string_view help;
};

struct Invocation {
    const Session& session;
    const QCommandLineParser& parser;
    const QStringList& arguments; // the command's own, options removed
};

struct CommandInfo {
    std::string_view name;
    std::string_view usage;     // the options on the usage line
    std::string_view arguments; // the arguments on the usage line
    std::string_view summary;
    std::string description;
    std::vector<OptionInfo> options;
    int argumentCount;
    std::function<int(const Invocation&)> run;
};

const OptionInfo kDirectoryOption{{"C", "directory"}, "DIR", "work on the game files in DIR"};
const OptionInfo kHelpOption{{"h", "help"}, {}, "show this help"};

// Arguments reach the parser as ISO-8859-1, one character per byte, so every byte of a
// name comes back exactly as given, whether or not it is UTF-8.
QString fromBytes(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string bytesOf(const QString& text) {
    return text.toLatin1().toStdString();
}

std::filesystem::path toPath(const QString& text) {
    return std::filesystem::path(bytesOf(text));
}

TableFormat exportFormat(const QCommandLineParser& parser) {
    if (!parser.isSet("format"))
        return TableFormat::Csv;
    const std::string name = bytesOf(parser.value("format"));
    if (const auto format = tableFormatNamed(name))
        return *format;
    throw UsageError("unknown format " + shown(name) + "; use csv or json");
}

std::optional<TableFormat> importFormat(const QCommandLineParser& parser) {
    if (!parser.isSet("format"))
        return std::nullopt;
    return exportFormat(parser);
}

int spriteNumber(const QString& text) {
    const std::string digits = bytesOf(text);
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || n < 0)
        throw UsageError("N must be a sprite number (0, 1, ...), not " + shown(digits));
    return n;
}

std::optional<GameFileKind> textconvAs(const QCommandLineParser& parser) {
    if (!parser.isSet("as"))
        return std::nullopt;
    const std::string name = bytesOf(parser.value("as"));
    if (const auto file = gameFileNamed(name))
        return file;
    throw UsageError("--as " + escapeForMessage(name) +
                     ": not a game file name (mypal.pal, monster.dat, " +
                     "monsters.tat, encountr.mon or itemlist.txt)");
}

const OptionInfo kExportFormat{{"format"}, "FORMAT", "csv (the default) or json"};
const OptionInfo kOutput{
    {"o", "output"}, "FILE", "write the table to FILE instead of standard output"};
const OptionInfo kImportFormat{
    {"format"}, "FORMAT", "csv or json; by default JSON when the table starts with [, else CSV"};
const OptionInfo kTruncate{
    {"truncate"}, {}, "let a table of fewer records than the file holds shrink the file"};
const OptionInfo kNearest{
    {"nearest"}, {}, "map each colour that no entry has to the nearest entry's colour"};

const OptionInfo kCharacter{{"character"},
                            "L,S,A,D,DEF,HP",
                            "a profile: level, strength, agility, item damage, item defense, HP"};
const OptionInfo kCharacters{{"characters"}, "FILE.csv", "profiles from a CSV table, one a row"};

// A command that reports every failure by throwing: it succeeds when it returns.
template <typename Command> std::function<int(const Invocation&)> succeeds(Command command) {
    return [command](const Invocation& call) {
        command(call);
        return kExitSuccess;
    };
}

// Without `required`, neither option gives no profiles.
std::vector<CharacterProfile> profiles(const QCommandLineParser& parser, bool required = true) {
    std::vector<std::string> options;
    for (const QString& value : parser.values("character"))
        options.push_back(bytesOf(value));
    if (!required && options.empty() && !parser.isSet("characters"))
        return {};
    return loadProfiles(options, toPath(parser.value("characters")));
}

// The files the command reads besides the game files, which its output must not replace.
std::vector<std::filesystem::path> inputFiles(const QCommandLineParser& parser) {
    if (!parser.isSet("characters"))
        return {};
    return {toPath(parser.value("characters"))};
}

std::string escapeLines(std::string_view text);

const std::vector<CommandInfo>& commands() {
    static const std::vector<CommandInfo> list{
        {"export-stats",
         "[--format csv|json] [-o FILE]",
         "",
         "write every monster stats record as a table",
         helpText("export-stats"),
         {kExportFormat, kOutput},
         0,
         succeeds([](const Invocation& call) {
             exportStats(call.session, exportFormat(call.parser),
                         toPath(call.parser.value("output")));
         })},
        {"import-stats",
         "[--format csv|json]",
         "FILE",
         "replace \"monsters.tat\" with the records of a table",
         helpText("import-stats"),
         {kImportFormat, kTruncate},
         1,
         succeeds([](const Invocation& call) {
             importStats(call.session, toPath(call.arguments[0]), importFormat(call.parser),
                         call.parser.isSet("truncate"));
         })},
        {"export-encounters",
         "[--format csv|json] [-o FILE]",
         "",
         "write every encounter record as a table",
         helpText("export-encounters"),
         {kExportFormat, kOutput},
         0,
         succeeds([](const Invocation& call) {
             exportEncounters(call.session, exportFormat(call.parser),
                              toPath(call.parser.value("output")));
         })},
        {"import-encounters",
         "[--format csv|json]",
         "FILE",
         "replace \"encountr.mon\" with the records of a table",
         helpText("import-encounters"),
         {kImportFormat, kTruncate},
         1,
         succeeds([](const Invocation& call) {
             importEncounters(call.session, toPath(call.arguments[0]), importFormat(call.parser),
                              call.parser.isSet("truncate"));
         })},
        {"export-sprites",
         "",
         "DIR",
         "write every sprite as a PNG image into DIR",
         helpText("export-sprites"),
         {},
         1,
         succeeds([](const Invocation& call) {
             exportSprites(call.session, toPath(call.arguments[0]));
         })},
        {"import-sprite",
         "[--nearest]",
         "N FILE.png",
         "replace sprite N, or append it when N is the sprite count",
         helpText("import-sprite"),
         {kNearest},
         2,
         succeeds([](const Invocation& call) {
             importSprite(call.session, spriteNumber(call.arguments[0]), toPath(call.arguments[1]),
                          call.parser.isSet("nearest"));
         })},
        {"import-sprites",
         "[--nearest]",
         "DIR",
         "put back every NNN.png of DIR as sprite NNN, in one pass",
         helpText("import-sprites"),
         {kNearest},
         1,
         succeeds([](const Invocation& call) {
             importSprites(call.session, toPath(call.arguments[0]), call.parser.isSet("nearest"));
         })},
        {"balance",
         "(--character L,S,A,D,DEF,HP ... | --characters FILE.csv) [--monsters] [--format "
         "csv|json] [-o FILE]",
         "",
         "the expected outcome of a random encounter per map and profile",
         balanceHelp(),
         {kCharacter,
          kCharacters,
          kExportFormat,
          kOutput,
          {{"monsters"}, {}, "one row per monster and profile: the calculator's four texts"}},
         0,
         succeeds([](const Invocation& call) {
             writeBalance(call.session, profiles(call.parser), exportFormat(call.parser),
                          call.parser.isSet("monsters") ? BalanceRows::Monsters : BalanceRows::Maps,
                          toPath(call.parser.value("output")), inputFiles(call.parser));
         })},
        {"where",
         "[--character L,S,A,D,DEF,HP ... | --characters FILE.csv]",
         "MONSTER",
         "list the maps where a monster appears, most likely first",
         helpText("where"),
         {kCharacter, kCharacters},
         1,
         succeeds([](const Invocation& call) {
             whereMonster(call.session, bytesOf(call.arguments[0]), profiles(call.parser, false));
         })},
        {"report",
         "(--character L,S,A,D,DEF,HP ... | --characters FILE.csv) [--monster N ...] "
         "[--targets FILE.csv] [-o FILE]",
         "",
         "write the balance report as one self-contained HTML page",
         helpText("report"),
         {kCharacter,
          kCharacters,
          {{"monster"}, "N", "give monster N (a number or a name) a full card too; repeatable"},
          {{"targets"}, "FILE.csv", "add the target heat map and the cells outside their band"},
          kOutput},
         0,
         succeeds([](const Invocation& call) {
             std::vector<std::string> monsters;
             for (const QString& monster : call.parser.values("monster"))
                 monsters.push_back(bytesOf(monster));
             std::vector<std::filesystem::path> inputs = inputFiles(call.parser);
             const std::filesystem::path targets = toPath(call.parser.value("targets"));
             if (!targets.empty())
                 inputs.push_back(targets);
             writeReport(call.session, profiles(call.parser), toPath(call.parser.value("output")),
                         monsters, inputs, targets);
         })},
        {"tune",
         "--characters FILE.csv --targets FILE.csv [--levers LEVERS] [--monsters LIST] "
         "[--fields LIST] [--max-change PCT] [-o FILE]",
         "",
         "propose the smallest changes that bring every map into its target band",
         helpText("tune"),
         {kCharacters,
          {{"targets"}, "FILE.csv", "the target bands: maps,profile,defeat_min,defeat_max"},
          {{"levers"}, "LEVERS", "stats (the default), frequencies, or stats,frequencies"},
          {{"monsters"}, "LIST", "only these monsters may change: numbers and ranges, 3,7-9"},
          {{"fields"}, "LIST", "only these stats may change: hp,strength,agility,offMax,def,level"},
          {{"max-change"}, "PCT", "no value moves by more than PCT% of max(|old|, 1)"},
          {{"o", "output"}, "FILE", "write the change list to FILE instead of standard output"}},
         0,
         [](const Invocation& call) {
             // Each option once: a second one would quietly take the first one's place.
             const auto value = [&](const char* name) -> std::optional<std::string> {
                 if (!call.parser.isSet(name))
                     return std::nullopt;
                 if (call.parser.values(name).size() > 1)
                     throw UsageError("--" + std::string(name) + " is given more than once");
                 return bytesOf(call.parser.value(name));
             };
             const TuneOptions options = tuneOptions(value("levers"), value("monsters"),
                                                     value("fields"), value("max-change"));
             try {
                 return tuneCommand(call.session, toPath(call.parser.value("characters")),
                                    toPath(call.parser.value("targets")),
                                    toPath(call.parser.value("output")), options);
             } catch (const UsageError&) {
                 throw;
             } catch (const ImportError& error) {
                 call.session.err << escapeLines(error.what()) << '\n';
             } catch (const CliError& error) {
                 call.session.err << kProgram << ": " << escapeForMessage(error.what()) << '\n';
             } catch (const DataError& error) {
                 call.session.err << kProgram << ": " << escapeForMessage(error.what()) << '\n';
             }
             return kTuneTrouble;
         }},
        {"check",
         "",
         "",
         "report problems in the five game files",
         helpText("check"),
         {},
         0,
         [](const Invocation& call) { return check(call.session); }},
        {"textconv",
         "[--as NAME]",
         "FILE",
         "write a game file as lines of text, for git diff",
         helpText("textconv"),
         {{{"as"}, "NAME", "read FILE as the game file NAME (monsters.tat, ...)"}},
         1,
         succeeds([](const Invocation& call) {
             textconv(call.session, toPath(call.arguments[0]), textconvAs(call.parser));
         })},
        {"diff",
         "[--changes [-o FILE]]",
         "A B",
         "compare the game files of folders A and B value by value",
         helpText("diff"),
         {{{"changes"}, {}, "write the change list that turns A's stats and encounters into B's"},
          {{"o", "output"}, "FILE", "write the change list to FILE instead of standard output"}},
         2,
         [](const Invocation& call) {
             const std::filesystem::path a = toPath(call.arguments[0]);
             const std::filesystem::path b = toPath(call.arguments[1]);
             if (call.parser.isSet("changes"))
                 return diffChanges(call.session, a, b, toPath(call.parser.value("output")));
             if (call.parser.isSet("output"))
                 throw UsageError("-o writes a change list: give --changes as well");
             return diffFolders(call.session, a, b);
         }},
        {"apply",
         "",
         "FILE",
         "write a change list into \"monsters.tat\" and \"encountr.mon\"",
         helpText("apply"),
         {},
         1,
         [](const Invocation& call) {
             return applyChangeList(call.session, toPath(call.arguments[0]));
         }},
    };
    return list;
}

// One line of a help list: the left text, then the right one from a fixed column (on a
// line of its own when the left text reaches that column).
std::string helpLine(const std::string& left, std::string_view right) {
    constexpr std::size_t kColumn = 24;
    std::string line = "  " + left;
    line += line.size() < kColumn ? std::string(kColumn - line.size(), ' ')
                                  : "\n" + std::string(kColumn, ' ');
    return line + std::string(right) + '\n';
}

std::string optionLines(const std::vector<OptionInfo>& options) {
    std::string text;
    for (const OptionInfo& option : options) {
        // Long-only options line up with the long names of the others.
        std::string names = option.names.front().size() > 1 ? "    " : "";
        for (const QString& name : option.names) {
            if (name != option.names.front())
                names += ", ";
            names += (name.size() == 1 ? "-" : "--") + name.toStdString();
        }
        if (!option.valueName.isEmpty())
            names += ' ' + option.valueName.toStdString();
        text += helpLine(names, option.help);
    }
    return text;
}

std::string mainHelp() {
    std::string text = "Usage: " + std::string(kProgram) +
                       " [-C DIR] COMMAND [OPTIONS] [ARGUMENTS]\n\n"
                       "Batch work on the VALMOR game files in the working directory, or in "
                       "DIR:\n\"mypal.pal\", \"monster.dat\", \"monsters.tat\", "
                       "\"encountr.mon\" and \"itemlist.txt\".\n\nCommands:\n";
    for (const CommandInfo& command : commands()) {
        std::string head = std::string(command.name);
        if (!command.arguments.empty())
            head += ' ' + std::string(command.arguments);
        text += helpLine(head, command.summary);
    }
    text += "\nOptions:\n" +
            optionLines({kDirectoryOption,
                         {{"h", "help"}, {}, "show this help; COMMAND --help shows a command's"},
                         {{"version"}, {}, "show the version"}}) +
            "\nExit status: 0 on success, 1 on failure, 2 for a command line in error;\n"
            "check: 0 when clean, 1 with warnings only, 2 with errors;\n"
            "diff: 0 when equal, 1 when different, 2 on trouble;\n"
            "apply: 0 when written, 2 when nothing was written.\n";
    return text;
}

std::string commandHelp(const CommandInfo& command) {
    std::string text = "Usage: " + std::string(kProgram) + " [-C DIR] " + std::string(command.name);
    for (const std::string_view part : {command.usage, command.arguments}) {
        if (!part.empty())
            text += ' ' + std::string(part);
    }
    text += "\n\n" + std::string(command.description) + "\n\nOptions:\n";
    std::vector<OptionInfo> options = command.options;
    options.push_back(kDirectoryOption);
    options.push_back(kHelpOption);
    return text + optionLines(options);
}

void addOptions(QCommandLineParser& parser, const std::vector<OptionInfo>& options) {
    for (const OptionInfo& option : options) {
        parser.addOption(option.valueName.isEmpty()
                             ? QCommandLineOption(option.names)
                             : QCommandLineOption(option.names, {}, option.valueName));
    }
}

// The game folder, opened once: every game file of the command is opened in it.
GameDirectory folderOf(const QCommandLineParser& top, const QCommandLineParser& sub) {
    const QCommandLineParser& given = sub.isSet("C") ? sub : top;
    if (!given.isSet("C"))
        return {};
    const std::filesystem::path directory = toPath(given.value("C"));
    try {
        return GameDirectory::open(directory);
    } catch (const DataError& error) {
        const std::string given = "-C " + shownPath(directory) + ": ";
        // A name that leads to no folder is a mistake on the command line; a folder that is
        // there but will not open (its permissions, the disk) is trouble of a file.
        switch (error.kind()) {
        case ErrorKind::FileNotFound:
            throw UsageError(given + "no such directory");
        case ErrorKind::NotAFolder:
        case ErrorKind::BadFileName:
            throw UsageError(given + error.what());
        default:
            throw CliError(given + error.what());
        }
    }
}

int run(const QStringList& arguments, std::istream& in, std::ostream& out, std::ostream& err,
        bool errIsTerminal, int outDescriptor) {
    const QString program = arguments.isEmpty() ? QString() : arguments.front();
    QCommandLineParser top;
    // Options after the command belong to the command.
    top.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    addOptions(top, {kDirectoryOption, kHelpOption, {{"version"}, {}, {}}});
    if (!top.parse(arguments))
        throw UsageError(escapeForMessage(bytesOf(top.errorText())));
    if (top.isSet("help")) {
        out << mainHelp();
        return kExitSuccess;
    }
    if (top.isSet("version")) {
        out << kProgram << ' ' << VALMOR_VERSION << '\n';
        return kExitSuccess;
    }
    const QStringList positional = top.positionalArguments();
    if (positional.isEmpty())
        throw UsageError("no command given");
    const std::string name = bytesOf(positional.front());
    const auto& list = commands();
    const auto command = std::ranges::find(list, name, &CommandInfo::name);
    if (command == list.end())
        throw UsageError("unknown command " + shown(name));

    QCommandLineParser sub;
    addOptions(sub, command->options);
    addOptions(sub, {kDirectoryOption, kHelpOption});
    QStringList rest = positional.mid(1);
    rest.prepend(program);
    const std::string prefix = name + ": ";
    if (!sub.parse(rest))
        throw UsageError(prefix + escapeForMessage(bytesOf(sub.errorText())), name);
    if (sub.isSet("help")) {
        out << commandHelp(*command);
        return kExitSuccess;
    }
    const QStringList commandArguments = sub.positionalArguments();
    if (commandArguments.size() != command->argumentCount)
        throw UsageError(prefix + "expected " +
                             (command->arguments.empty() ? std::string("no arguments")
                                                         : std::string(command->arguments)) +
                             ", got " + std::to_string(commandArguments.size()) +
                             (commandArguments.size() == 1 ? " argument" : " arguments"),
                         name);
    try {
        const Session session{folderOf(top, sub), in, out, err, errIsTerminal, outDescriptor};
        return command->run({session, sub, commandArguments});
    } catch (const UsageError& error) {
        if (!error.command().empty())
            throw;
        throw UsageError(prefix + error.what(), name);
    }
}

// Every line of a message of several lines, escaped on its own.
std::string escapeLines(std::string_view text) {
    std::string out;
    for (const auto line : std::views::split(text, '\n')) {
        if (!out.empty() || line.begin() != text.begin())
            out += '\n';
        out += escapeForMessage(std::string_view(line.begin(), line.end()));
    }
    return out;
}

// The exit status of a failure of the command `arguments` name: 2 for the commands whose 1
// means an answer (diff: the folders differ; tune: some cells stay outside their band) and
// for apply, 1 for the others.
int troubleStatusOf(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-C" || argument == "--directory") {
            ++i;
            continue;
        }
        if (argument.starts_with('-'))
            continue;
        return argument == "diff" || argument == "tune" || argument == "apply" ? 2 : kExitFailure;
    }
    return kExitFailure;
}

} // namespace

int runCli(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
           std::ostream& err, bool errIsTerminal, bool outIsTerminal, int outDescriptor,
           int errDescriptor) {
    const std::string prefix = std::string(kProgram) + ": ";
    const int trouble = troubleStatusOf(arguments);
    // On a terminal, every command's standard output is escaped as messages are.
    TerminalText terminalText(out);
    std::ostream terminal(&terminalText);
    std::ostream& standardOut = outIsTerminal ? terminal : out;
    try {
        try {
            refuseStandardStreams(
                {arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end()}, outDescriptor,
                errDescriptor);
            QStringList list;
            for (const std::string& argument : arguments)
                list.append(fromBytes(argument));
            const int status = run(list, in, standardOut, err, errIsTerminal, outDescriptor);
            standardOut.flush();
            if (!standardOut || !terminalText.finish() || !out) {
                // An apply that wrote its changes says so: 2 would mean nothing was written.
                const bool applied = trouble == 2 && status == kExitSuccess &&
                                     std::ranges::find(arguments, "apply") != arguments.end();
                err << prefix << "cannot write to standard output"
                    << (applied ? " (the changes were written)" : "") << '\n';
                return applied ? kExitFailure : trouble;
            }
            return status;
        } catch (const StandardErrorGuarded&) {
            return trouble;
        } catch (const UsageError& error) {
            const std::string help = error.command().empty() ? "" : error.command() + ' ';
            err << prefix << escapeForMessage(error.what()) << "\nTry '" << kProgram << ' '
                << escapeForMessage(help) << "--help'.\n";
            return kExitUsage;
        } catch (const ImportError& error) {
            err << escapeLines(error.what()) << '\n' << prefix << "nothing was written\n";
        } catch (const CliError& error) {
            err << prefix << escapeForMessage(error.what()) << '\n';
        } catch (const DataError& error) {
            err << prefix << escapeForMessage(error.what()) << '\n';
        } catch (const std::bad_alloc&) {
            err << prefix << "out of memory\n";
        } catch (const std::exception& error) {
            err << prefix << "internal error: " << escapeForMessage(error.what()) << '\n';
        }
    } catch (...) {
        // Writing the report failed as well; the status still tells.
    }
    return trouble;
}

} // namespace valmor::cli
