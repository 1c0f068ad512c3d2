// Build tool: writes the window icon as a PNG of the given size, for the icon theme.
#include <cstdio>
#include <string>

#include <QFile>
#include <QImage>

#include "editor/window_icon.h"

int main(int argc, char* argv[]) {
    int size = 0;
    try {
        size = argc == 3 ? std::stoi(argv[1]) : 0;
    } catch (const std::exception&) {
    }
    if (size < 1 || size > 1024) {
        std::fputs("usage: render_window_icon SIZE FILE.png (SIZE 1 to 1024)\n", stderr);
        return 2;
    }
    if (!valmor::drawWindowIcon(size).save(QFile::decodeName(argv[2]), "PNG")) {
        std::fprintf(stderr, "render_window_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
