#include "start_arguments.h"

#include <system_error>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>

namespace valmor {

namespace {

QString helpText() {
    return QStringLiteral(
               "Usage: %1 [OPTIONS] [FOLDER]\n"
               "\n"
               "Edits the VALMOR game files in FOLDER, or in the working directory when no\n"
               "FOLDER is given: \"mypal.pal\", \"monster.dat\", \"monsters.tat\",\n"
               "\"encountr.mon\" and \"itemlist.txt\".\n"
               "\n"
               "Options:\n"
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
            QStringLiteral("Cannot open the game folder \"%1\": %2.").arg(folder, problem)};
}

} // namespace

StartArguments readStartArguments(const QStringList& arguments,
                                  const std::filesystem::path& workingDir) {
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return {StartArguments::Outcome::Print, {}, helpText()};
    if (parser.isSet(version)) {
        return {StartArguments::Outcome::Print,
                {},
                QStringLiteral("%1 %2\n").arg(QLatin1String(kEditorProgram),
                                              QLatin1String(VALMOR_VERSION))};
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(
            QStringLiteral("expected at most one FOLDER, got %1").arg(positional.size()));
    if (positional.isEmpty())
        return {StartArguments::Outcome::Run, workingDir, {}};

    const QString& folder = positional.front();
    if (folder.isEmpty())
        return folderError(folder, QStringLiteral("the name is empty"));
    const std::filesystem::path dataDir =
        workingDir / std::filesystem::path(QFile::encodeName(folder).toStdString());
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(dataDir, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return folderError(folder, QStringLiteral("no such folder"));
    if (error)
        return folderError(folder, QString::fromStdString(error.message()));
    if (status.type() != std::filesystem::file_type::directory)
        return folderError(folder, QStringLiteral("not a folder"));
    return {StartArguments::Outcome::Run, dataDir, {}};
}

} // namespace valmor
