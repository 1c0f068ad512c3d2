#include "editor_fixture.h"

#include <QApplication>
#include <QSettings>
#include <QTest>

#include "game/sprite.h"

namespace valmor::test {

std::string fixturePalette() {
    std::string text;
    for (int i = 0; i < 256; ++i)
        text += std::to_string(i % 64) + "," + std::to_string((i / 4) % 64) + "," +
                std::to_string(63 - i % 64) + "\r\n";
    return text;
}

QRgb fixtureColour(std::uint8_t byte) {
    return qRgb(4 * (byte % 64), 4 * ((byte / 4) % 64), 4 * (63 - byte % 64));
}

std::uint8_t fixturePixel(int n, int column, int row) {
    if (column < 10 && row < 10)
        return 0;
    return static_cast<std::uint8_t>((n + 1 + row + column) % 255 + 1);
}

Bytes fixtureSprites(int count) {
    Bytes bytes;
    bytes.reserve(static_cast<std::size_t>(count) * kSpriteFrameBytes);
    for (int n = 0; n < count; ++n)
        for (int r = 0; r < kSpriteHeight; ++r)
            for (int c = 0; c < kSpriteWidth; ++c)
                bytes.push_back(fixturePixel(n, c, r));
    return bytes;
}

std::string fixtureItems(int count) {
    std::string text;
    for (int k = 0; k < count; ++k)
        text += "Item " + std::to_string(k) + "\n";
    return text;
}

MonsterRecord fixtureMonster(int n) {
    MonsterRecord r;
    r.name = fixedWidth("Mon" + std::to_string(n), kNameWidth);
    r.hp = static_cast<std::int16_t>(10 + n);
    r.hp2 = r.hp;
    r.gold = static_cast<std::int16_t>(100 + n);
    r.item1 = static_cast<std::int16_t>(n % 100);
    r.item2 = -1;
    r.level = static_cast<std::int16_t>(n);
    r.special1 = fixedWidth("Bite", kSpecialWidth);
    r.special2 = fixedWidth("", kSpecialWidth);
    r.s1Target = 1;
    r.s2Target = 2;
    return r;
}

void EditorTest::SetUp() {
    writeText(file(kPaletteFileName), fixturePalette());
    writeBytes(file(kSpriteFileName), fixtureSprites(57));
    writeText(file("itemlist.txt"), fixtureItems(100));
    Bytes stats;
    for (int n = 0; n < 57; ++n) {
        const auto bytes = encodeMonsterRecord(fixtureMonster(n));
        stats.insert(stats.end(), bytes.begin(), bytes.end());
    }
    writeBytes(file(kMonsterFileName), stats);
    Bytes encounters;
    for (int m = 1; m <= kMapCount; ++m) {
        EncounterRecord r;
        for (int i = 0; i < 5; ++i) {
            r.monIndex[i] = static_cast<std::int16_t>((m + i) % 57);
            r.monFreq[i] = static_cast<std::int16_t>(20);
        }
        r.nomNum = {50, 30, 20};
        const auto bytes = encodeEncounterRecord(r);
        encounters.insert(encounters.end(), bytes.begin(), bytes.end());
    }
    writeBytes(file(kEncounterFileName), encounters);
}

void EditorTest::build() {
    // Each test starts from no settings, whatever the tests before it kept.
    QSettings().clear();
    window = std::make_unique<MainWindow>(dir_);
    view = std::make_unique<MainWindowTestView>(*window);
    // No real dialog ever opens in a test: one that asks fails it, answering Cancel.
    window->setFolderPrompts(
        {[](QWidget*, const QString& records) {
             ADD_FAILURE() << "asked about the unsaved edits of " << records.toStdString();
             return FolderPrompts::Unsaved::Cancel;
         },
         [](QWidget*, const std::filesystem::path&) -> std::optional<std::filesystem::path> {
             ADD_FAILURE() << "a folder dialog opened";
             return std::nullopt;
         }});
}

std::optional<DataError> EditorTest::startExpectingError() {
    build();
    window->setErrorReport(std::make_unique<RecordingErrorReport>(errors));
    window->setProgramEnd([this] { ++programEnds; });
    try {
        window->loadGameFolder();
    } catch (const DataError& error) {
        return error;
    }
    return std::nullopt;
}

void EditorTest::start() {
    const std::optional<DataError> error = startExpectingError();
    ASSERT_FALSE(error.has_value()) << error->what();
}

void EditorTest::pick(QComboBox* list, int position) {
    list->setCurrentIndex(position);
    Q_EMIT list->activated(position);
}

void EditorTest::type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

void ShownEditorTest::SetUp() {
    EditorTest::SetUp();
    start();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

} // namespace valmor::test
