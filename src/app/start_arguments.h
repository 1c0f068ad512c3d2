// The editor's command line: an optional game folder, --balance, --help and --version, read
// into what the program does next.
#pragma once

#include <filesystem>

#include <QString>
#include <QStringList>

namespace valmor {

struct StartArguments {
    enum class Outcome {
        Run,         // open the window on dataDir
        Print,       // write text to standard output and end with success
        UsageError,  // a command line in error: text goes to standard error
        FolderError, // the folder cannot be worked on: text is shown as a start-up error
    };
    Outcome outcome = Outcome::Run;
    std::filesystem::path dataDir;
    QString text;
    bool openBalance = false; // --balance: the balance window opens at start too
};

// The program's name under which the help shows it and the version line names it.
inline constexpr const char* kEditorProgram = "valmor-editor";

// The command line as readStartArguments takes it, the program's name first: each byte of
// an argument as the Latin-1 character of that number, so that a name that is not UTF-8
// goes back to the very same bytes (QString::toLatin1).
QStringList commandLine(int argc, const char* const argv[]);

// `arguments` as commandLine gives them. A relative FOLDER is taken from `workingDir`,
// which is also the folder when none is given. Messages show names as UTF-8, with controls
// and bytes that are not UTF-8 escaped.
StartArguments readStartArguments(const QStringList& arguments,
                                  const std::filesystem::path& workingDir);

// Makes `dataDir` the working directory; the editor itself never does, it opens the folder
// (MainWindow::loadGameFolder). It is opened one name at a time, so a folder whose whole
// path is longer than the system takes in one call (PATH_MAX) can still be entered.
// False, changing nothing, when it cannot be entered (no search permission, gone since).
bool enterFolder(const std::filesystem::path& dataDir);

} // namespace valmor
