// valmor-data: batch work on the VALMOR game files from the command line.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include <QCoreApplication>

#include "cli/cli.h"
#include "files/interruption.h"
#include "files/message_text.h"

#include <unistd.h>

namespace {

// Qt's own messages (libpng's complaints about a broken image, say) go to standard error
// under the tool's name, like every other message.
void reportQtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    // A message may quote outside text (a PNG's own chunks): escaped, as every message is.
    const QByteArray bytes = message.toUtf8();
    std::fprintf(stderr, "valmor-data: %s\n",
                 valmor::escapeForMessage(
                     std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))
                     .c_str());
}

} // namespace

int main(int argc, char* argv[]) {
    // A file size limit makes a write fail, reported like a full disk, instead of ending
    // the program halfway.
    std::signal(SIGXFSZ, SIG_IGN);
    qInstallMessageHandler(reportQtMessage);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("valmor-data"));
    // The arguments as bytes: a name that is not UTF-8 is used exactly as given.
    const std::vector<std::string> arguments(argv, argv + argc);
    const int status =
        valmor::cli::runCli(arguments, std::cin, std::cout, std::cerr, isatty(STDERR_FILENO) != 0,
                            isatty(STDOUT_FILENO) != 0, STDOUT_FILENO, STDERR_FILENO);
    // Work stopped by SIGINT, SIGTERM or SIGHUP has been undone: end by that signal.
    valmor::endByNotedSignal();
    return status;
}
