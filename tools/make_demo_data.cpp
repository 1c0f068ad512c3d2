// valmor-demo-data OUTPUT_DIR [--force]: writes a demo set of the game's five data files
// a character progression (characters.csv) and the target bands (targets.csv).
#include <exception>
#include <iostream>
#include <string_view>

#include "demo/demo_data.h"

int main(int argc, char** argv) {
    const char* directory = nullptr;
    bool force = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--force") {
            force = true;
        } else if (directory == nullptr && !arg.starts_with("-")) {
            directory = argv[i];
        } else {
            directory = nullptr;
            break;
        }
    }
    if (directory == nullptr) {
        std::cerr << "usage: valmor-demo-data OUTPUT_DIR [--force]\n"
                     "Writes mypal.pal, monster.dat, monsters.tat, encountr.mon, itemlist.txt and "
                     "characters.csv and targets.csv into OUTPUT_DIR;\n--force replaces files that "
                     "already exist.\n";
        return 2;
    }
    try {
        for (const auto& file : valmor::demo::writeDemoData(directory, force, true))
            std::cout << "wrote " << file.path.string() << " (" << file.bytes << " bytes)\n";
    } catch (const std::exception& error) {
        std::cerr << "valmor-demo-data: " << error.what() << '\n';
        return 1;
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
