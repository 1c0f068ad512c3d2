// The editor's command line: an optional game folder, --help and --version, read into what
// the program does next.
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
};

// The program's name under which the help shows it and the version line names it.
inline constexpr const char* kEditorProgram = "valmor-editor";

// `arguments` starts with the program's name, as QCoreApplication::arguments() does. A
// relative FOLDER is taken from `workingDir`, which is also the folder when none is given.
StartArguments readStartArguments(const QStringList& arguments,
                                  const std::filesystem::path& workingDir);

} // namespace valmor
