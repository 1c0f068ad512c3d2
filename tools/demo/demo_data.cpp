#include "demo/demo_data.h"

#include "demo/palette_ramps.h"
#include "demo/sprites.h"
#include "demo/tables.h"
#include "files/error.h"
#include "files/output_file.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"

namespace valmor::demo {

namespace {

std::vector<std::uint8_t> textBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

template <typename Record, typename Encode>
std::vector<std::uint8_t> recordBytes(const std::vector<Record>& records, Encode encode) {
    std::vector<std::uint8_t> bytes;
    for (const Record& record : records) {
        const auto encoded = encode(record);
        bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    }
    return bytes;
}

} // namespace

std::vector<DemoFile> buildDemoFiles(bool withCharacters) {
    std::vector<DemoFile> files;
    files.push_back({kPaletteFileName, textBytes(paletteText(demoPalette()))});
    files.push_back({kSpriteFileName, spriteFileBytes()});
    files.push_back({kMonsterFileName, recordBytes(demoMonsters(), encodeMonsterRecord)});
    files.push_back({kEncounterFileName, recordBytes(demoEncounters(), encodeEncounterRecord)});
    files.push_back({kItemListFileName, textBytes(itemListText(demoItemNames()))});
    if (withCharacters) {
        files.push_back({kCharactersFileName, textBytes(charactersCsvText())});
        files.push_back({kTargetsFileName, textBytes(targetsCsvText())});
    }
    return files;
}

std::vector<WrittenFile> writeDemoData(const std::filesystem::path& directory, bool overwrite,
                                       bool withCharacters) {
    const std::vector<DemoFile> files = buildDemoFiles(withCharacters);
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error)
        throw DemoDataError("cannot create " + directory.string() + ": " + error.message());
    if (!overwrite) {
        for (const DemoFile& file : files) {
            const std::filesystem::path path = directory / file.name;
            if (std::filesystem::exists(path, error) || error)
                throw DemoDataError(path.string() + " already exists (use --force to replace it)");
        }
    }
    std::vector<WrittenFile> written;
    for (const DemoFile& file : files) {
        const std::filesystem::path path = directory / file.name;
        try {
            OutputFile output(path);
            output.write({reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()});
            output.commit();
        } catch (const DataError& failure) {
            throw DemoDataError("cannot write " + path.string() + ": " + failure.what());
        }
        written.push_back({path, file.bytes.size()});
    }
    return written;
}

} // namespace valmor::demo
