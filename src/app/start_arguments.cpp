#include "start_arguments.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "files/game_file.h"
#include "files/message_text.h"

namespace valmor {

namespace {

// Text built from command-line arguments (Latin-1 characters standing for bytes) as a
// message shows it: the bytes read as UTF-8, with controls and broken UTF-8 escaped.
QString shown(const QString& bytes) {
    return QString::fromStdString(escapeForMessage(bytes.toLatin1().toStdString()));
}

QString helpText() {
    return QStringLiteral(
               "Usage: %1 [OPTIONS] [FOLDER]\n"
               "\n"
               "Edits the VALMOR game files in FOLDER, or in the working directory when no\n"
               "FOLDER is given: \"mypal.pal\", \"monster.dat\", \"monsters.tat\",\n"
               "\"encountr.mon\" and \"itemlist.txt\".\n"
               "\n"
               "Options:\n"
               "  -b, --balance  open the balance window beside the editor at start (F9 opens\n"
               "                 it later): every map and profile, live as files change and\n"
               "                 as values are typed\n"
               "  -h, --help     show this help\n"
               "  -v, --version  show the version\n")
        .arg(QLatin1String(kEditorProgram));
}

StartArguments usageError(const QString& problem) {
    return {
        StartArguments::Outcome::UsageError,
        {},
        QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(QLatin1String(kEditorProgram), problem)};
}

StartArguments folderError(const QString& folder, const QString& problem) {
    return {StartArguments::Outcome::FolderError,
            {},
            QStringLiteral("Cannot open the game folder \"%1\": %2.").arg(shown(folder), problem)};
}

// The FOLDER argument: none for the working directory, or one that must be a folder.
StartArguments readFolder(const QStringList& positional, const std::filesystem::path& workingDir) {
    if (positional.size() > 1)
        return usageError(
            QStringLiteral("expected at most one FOLDER, got %1").arg(positional.size()));
    if (positional.isEmpty())
        return {StartArguments::Outcome::Run, workingDir, {}};

    const QString& folder = positional.front();
    if (folder.isEmpty())
        return folderError(folder, QStringLiteral("the name is empty"));
    const std::filesystem::path dataDir =
        workingDir / std::filesystem::path(folder.toLatin1().toStdString());
    const int descriptor = openPathByNames(dataDir);
    if (descriptor < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return folderError(folder, QStringLiteral("no such folder"));
        return folderError(folder, QString::fromStdString(std::system_category().message(error)));
    }
    struct stat status {};
    const bool isFolder = ::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode);
    ::close(descriptor);
    if (!isFolder)
        return folderError(folder, QStringLiteral("not a folder"));
    return {StartArguments::Outcome::Run, dataDir, {}};
}

} // namespace

StartArguments readStartArguments(const QStringList& arguments,
                                  const std::filesystem::path& workingDir) {
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption balance(QStringList{QStringLiteral("b"), QStringLiteral("balance")});
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(balance);
    if (!parser.parse(arguments))
        return usageError(shown(parser.errorText()));
    if (parser.isSet(help))
        return {StartArguments::Outcome::Print, {}, helpText()};
    if (parser.isSet(version)) {
        return {StartArguments::Outcome::Print,
                {},
                QStringLiteral("%1 %2\n").arg(QLatin1String(kEditorProgram),
                                              QLatin1String(VALMOR_VERSION))};
    }

    StartArguments run = readFolder(parser.positionalArguments(), workingDir);
    run.openBalance = run.outcome == StartArguments::Outcome::Run && parser.isSet(balance);
    return run;
}

QStringList commandLine(int argc, const char* const argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLatin1(argv[i]));
    return arguments;
}

bool enterFolder(const std::filesystem::path& dataDir) {
    const int descriptor = openPathByNames(dataDir);
    if (descriptor < 0)
        return false;
    const bool entered = ::fchdir(descriptor) == 0;
    ::close(descriptor);
    return entered;
}

} // namespace valmor
