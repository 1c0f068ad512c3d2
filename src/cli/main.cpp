// valmor-data: batch work on the VALMOR game files from the command line.
#include <csignal>
#include <cstdio>
#include <iostream>

#include <QCoreApplication>

#include "cli/cli.h"

#if defined(_WIN32)
#include <io.h>
#define VALMOR_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define VALMOR_ISATTY(fd) isatty(fd)
#endif

namespace {

// Qt's own messages (libpng's complaints about a broken image, say) go to standard error
// under the tool's name, like every other message.
void reportQtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    std::fprintf(stderr, "valmor-data: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char* argv[]) {
#if defined(SIGXFSZ)
    // A file size limit makes a write fail, reported like a full disk, instead of ending
    // the program halfway.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    qInstallMessageHandler(reportQtMessage);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("valmor-data"));
    const bool errIsTerminal = VALMOR_ISATTY(2) != 0;
    return valmor::cli::runCli(QCoreApplication::arguments(), std::cin, std::cout, std::cerr,
                               errIsTerminal);
}
