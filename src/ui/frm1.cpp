#include "frm1.h"

#include <cmath>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "data/battle_estimate.h"
#include "data/checked_float.h"
#include "data/checked_int.h"
#include "data/conversions.h"
#include "data/item_list.h"
#include "data/sprite.h"
#include "ui/design_fonts.h"
#include "ui/frm_picture_list.h"
#include "ui/pick_list.h"
#include "ui/record_text.h"
#include "ui/window_icon.h"

namespace valmor {

namespace {

// pic1 shows 100 x 100 units over its inner area.
constexpr int kPic1Units = 100;

struct ControlFont {
    const char* name;
    qreal pointSize;
    bool bold;
};

// Controls whose font differs from the window's 8.25 pt regular.
constexpr ControlFont kControlFonts[] = {
    {"Label40", 9.75, true},     {"Label48", 9.75, true},     {"Label47", 8.25, true},
    {"Label41", 8.25, true},     {"Label42", 8.25, true},     {"Label43", 8.25, true},
    {"Label44", 8.25, true},     {"Label45", 8.25, true},     {"Label46", 8.25, true},
    {"Label36", 8.25, true},     {"cmdSaveFreq", 8.25, true}, {"cmdCalculate", 12, true},
    {"cmdPreview1", 9.75, true}, {"cmdPreview2", 9.75, true}, {"cmdPreview3", 9.75, true},
    {"cmdSave", 13.5, false},    {"Command1", 13.5, false},
};

// Labels that keep their designed size instead of fitting their caption.
constexpr const char* kFixedSizeLabels[] = {"Label25", "Label28", "Label49"};

QString toQString(const std::string& text) {
    return QString::fromStdString(text);
}

// Sets a box's text and shows its start, as a text longer than the box is read from the left.
void showText(QLineEdit* box, const QString& text) {
    box->setText(text);
    box->setCursorPosition(0);
}

double number(const QLineEdit* box) {
    return ParseNumber(numberText(box->text()));
}

std::int16_t int16Of(const QLineEdit* box) {
    return ToInt16(number(box));
}

std::int16_t targetOf(const QLineEdit* box) {
    return TextToInt16(numberText(box->text()));
}

// Runs one start-up step; an error that names no file is given the step's file.
template <typename Step> auto inFile(const char* fileName, Step&& step) {
    try {
        return step();
    } catch (const DataError& error) {
        if (!error.subject().empty())
            throw;
        throw DataError(error.kind(), fileName);
    }
}

} // namespace

frm1::frm1(std::filesystem::path dataDir, QWidget* parent)
    : QWidget(parent), dataDir_(std::move(dataDir)),
      errorReport_(std::make_unique<MessageBoxErrorReport>(this)),
      programEnd_([this] { endProgram(); }) {
    setupUi(this);
    txtMonIndex = {txtMonIndex_0, txtMonIndex_1, txtMonIndex_2, txtMonIndex_3, txtMonIndex_4};
    txtMonFreq = {txtMonFreq_0, txtMonFreq_1, txtMonFreq_2, txtMonFreq_3, txtMonFreq_4};
    txtNOMnum = {txtNOMnum_0, txtNOMnum_1, txtNOMnum_2};

    // A normal top-level window (so it has a taskbar entry) without minimise and maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(637, 560);
    setWindowIcon(makeWindowIcon());
    applyDesignFonts();

    pic1->setUnits(kPic1Units, kPic1Units);
    for (QComboBox* list : {cboMonsterList, cboItem1, cboItem2, cboMapIndex})
        PickList::install(list);
    cboMonsterList->setEditText(QStringLiteral("Pick Monster"));
    cboMapIndex->setEditText(QStringLiteral("Map #"));
    for (QLineEdit* box : {txtName, txtSpecial1, txtSpecial2})
        box->setValidator(new RecordTextValidator(box));
    nameListTextBoxes();
    connectHandlers();
}

void frm1::nameListTextBoxes() {
    // The form names every control but the text box inside an editable list, which the
    // form cannot reach. That box takes the focus for its list, so a screen reader
    // announces it: it gets the list's name.
    for (QComboBox* list : findChildren<QComboBox*>()) {
        if (list->lineEdit() != nullptr)
            list->lineEdit()->setAccessibleName(list->accessibleName());
    }
}

frm1::~frm1() {
    for (const QPointer<frmPictureList>& window : previewWindows_)
        delete window.data();
}

void frm1::applyDesignFonts() {
    // Set on every control, not only on the window: a control with a style sheet of its
    // own does not take the window's font.
    setFont(designFont(8.25));
    for (QWidget* control : findChildren<QWidget*>())
        control->setFont(designFont(8.25));
    for (const ControlFont& entry : kControlFonts) {
        if (auto* control = findChild<QWidget*>(QString::fromLatin1(entry.name)))
            control->setFont(designFont(entry.pointSize, entry.bold));
    }
    for (QLabel* label : findChildren<QLabel*>()) {
        const bool fixed =
            std::any_of(std::begin(kFixedSizeLabels), std::end(kFixedSizeLabels),
                        [&](const char* name) { return label->objectName() == name; });
        if (!fixed)
            label->resize(label->sizeHint());
    }
}

void frm1::setErrorReport(std::unique_ptr<ErrorReport> report) {
    errorReport_ = std::move(report);
}

void frm1::setProgramEnd(std::function<void()> end) {
    programEnd_ = std::move(end);
}

template <typename Handler> void frm1::runGuarded(Handler&& handler) {
    guarded(*errorReport_, std::forward<Handler>(handler));
}

void frm1::connectHandlers() {
    const auto on = [this](auto* sender, auto signal, void (frm1::*handler)()) {
        connect(sender, signal, this, [this, handler] { runGuarded([&] { (this->*handler)(); }); });
    };
    on(cboMonsterList, &QComboBox::activated, &frm1::cboMonsterList_Click);
    on(cboMapIndex, &QComboBox::activated, &frm1::cboMapIndex_Click);
    on(cmdSave, &QPushButton::clicked, &frm1::cmdSave_Click);
    on(cmdSaveFreq, &QPushButton::clicked, &frm1::cmdSaveFreq_Click);
    on(cmdCalculate, &QPushButton::clicked, &frm1::cmdCalculate_Click);
    on(cmdPreview1, &QPushButton::clicked, &frm1::cmdPreview1_Click);
    on(cmdPreview2, &QPushButton::clicked, &frm1::cmdPreview2_Click);
    on(cmdPreview3, &QPushButton::clicked, &frm1::cmdPreview3_Click);
    on(Command1, &QPushButton::clicked, &frm1::Command1_Click);
    for (int i = 0; i < static_cast<int>(txtMonFreq.size()); ++i)
        connect(txtMonFreq[i], &QLineEdit::textChanged, this,
                [this, i] { runGuarded([&] { txtMonFreq_Change(i); }); });
    for (int i = 0; i < static_cast<int>(txtNOMnum.size()); ++i)
        connect(txtNOMnum[i], &QLineEdit::textChanged, this,
                [this, i] { runGuarded([&] { txtNOMnum_Change(i); }); });
}

// ---- Start-up and exit ----

void frm1::Form_Load() {
    paletteLevels =
        inFile(kPaletteFileName, [&] { return loadPalette(dataFile(kPaletteFileName)); });
    colourTable = inFile(kPaletteFileName, [&] { return makeColorFromRGB(paletteLevels); });

    lastMonsterIndex = inFile(kSpriteFileName, [&] {
        const ByteFile spriteFile(dataFile(kSpriteFileName));
        return lastSpriteIndex(spriteFile.length());
    });
    QStringList monsters;
    monsters.reserve(lastMonsterIndex + 1);
    for (int i = 0; i <= lastMonsterIndex; ++i)
        monsters.append(QString::number(i));
    PickList::fill(cboMonsterList, monsters, cboMonsterList->currentText());

    const std::vector<std::string> names =
        inFile(kItemListFileName, [&] { return loadItemNames(dataFile(kItemListFileName)); });
    QStringList items;
    items.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names)
        items.append(recordTextToDisplay(name));
    PickList::fill(cboItem1, items, QString());
    PickList::fill(cboItem2, items, QString());

    QStringList maps;
    maps.reserve(kMapCount);
    for (int k = 0; k < kMapCount; ++k)
        maps.append(QString::number(k + 1));
    PickList::fill(cboMapIndex, maps, cboMapIndex->currentText());
}

void frm1::Command1_Click() {
    programEnd_();
}

void frm1::endProgram() {
    for (const QPointer<frmPictureList>& window : previewWindows_) {
        if (window)
            window->close();
    }
    hide();
    QCoreApplication::exit(0);
}

void frm1::closeEvent(QCloseEvent* event) {
    // Closing the main window through its frame ends the program, as Exit does.
    event->accept();
    programEnd_();
}

// ---- Monster stats editor ----

void frm1::cboMonsterList_Click() {
    {
        const ByteFile spriteFile(dataFile(kSpriteFileName));
        const auto n = static_cast<std::int16_t>(cboMonsterList->currentIndex());
        pic1->clear();
        drawSprite(spriteFile, n, 0, 0, colourTable, *pic1);
        pic1->update();
    }
    monsterStats = readMonsterRecord(dataFile(kMonsterFileName),
                                     static_cast<std::int16_t>(cboMonsterList->currentIndex()));
    const MonsterRecord& r = monsterStats;
    showText(txtName, recordTextToDisplay(r.name));
    showText(txtGold, toQString(FormatInt(r.gold)));
    showText(txtHP, toQString(FormatInt(r.hp)));
    showText(txtExp, toQString(FormatInt(r.exp)));
    showText(txtAgi, toQString(FormatInt(r.agility)));
    showText(txtLevel, toQString(FormatInt(r.level)));
    showText(txtStr, toQString(FormatInt(r.strength)));
    const bool item1Shown = PickList::select(cboItem1, r.item1);
    showText(txtitem1Perc, toQString(FormatInt(r.item1Perc)));
    showText(txtItem2Perc, toQString(FormatInt(r.item2Perc)));
    const bool item2Shown = PickList::select(cboItem2, r.item2);
    showText(txtSpecial1, recordTextToDisplay(r.special1));
    showText(txtSpecial1perc, toQString(FormatInt(r.special1Perc)));
    showText(txtSpecial2, recordTextToDisplay(r.special2));
    showText(txtSpecial2Perc, toQString(FormatInt(r.special2Perc)));
    showText(txtS1target, toQString(FormatInt(r.s1Target)));
    showText(txtS2target, toQString(FormatInt(r.s2Target)));
    showText(txtDef, toQString(FormatInt(r.def)));
    showText(txtSP1min, toQString(FormatInt(r.sp1Min)));
    showText(txtSP1max, toQString(FormatInt(r.sp1Max)));
    showText(txtSp2min, toQString(FormatInt(r.sp2Min)));
    showText(txtSP2max, toQString(FormatInt(r.sp2Max)));
    showText(txtOffMin, toQString(FormatInt(r.offMin)));
    showText(txtOffMax, toQString(FormatInt(r.offMax)));
    showText(txtS1PorM, toQString(FormatInt(r.s1PorM)));
    showText(txtS2PorM, toQString(FormatInt(r.s2PorM)));
    showText(txtMpower, toQString(FormatInt(r.mpower)));
    showText(txtCanURun, toQString(FormatInt(r.canURun)));
    // An item position the list does not have is reported once every control is filled,
    // so the boxes never mix two monsters and the record can still be repaired.
    if (!item1Shown)
        throw DataError(ErrorKind::InvalidPropertyValue, "item1 = " + FormatInt(r.item1));
    if (!item2Shown)
        throw DataError(ErrorKind::InvalidPropertyValue, "item2 = " + FormatInt(r.item2));
}

void frm1::cmdSave_Click() {
    // Every control is converted before the file is opened, so a conversion error
    // leaves the file untouched.
    MonsterRecord r;
    r.name = fixedWidth(displayToRecordText(txtName->text()), kNameWidth);
    r.hp = int16Of(txtHP);
    r.hp2 = r.hp;
    r.gold = int16Of(txtGold);
    r.exp = int16Of(txtExp);
    r.item1 = static_cast<std::int16_t>(cboItem1->currentIndex());
    r.item2 = static_cast<std::int16_t>(cboItem2->currentIndex());
    r.level = int16Of(txtLevel);
    r.agility = int16Of(txtAgi);
    r.strength = int16Of(txtStr);
    r.item1Perc = int16Of(txtitem1Perc);
    r.item2Perc = int16Of(txtItem2Perc);
    r.special1 = fixedWidth(displayToRecordText(txtSpecial1->text()), kSpecialWidth);
    r.special2 = fixedWidth(displayToRecordText(txtSpecial2->text()), kSpecialWidth);
    r.special1Perc = int16Of(txtSpecial1perc);
    r.special2Perc = int16Of(txtSpecial2Perc);
    r.s1Target = targetOf(txtS1target);
    r.s2Target = targetOf(txtS2target);
    r.offMin = int16Of(txtOffMin);
    r.offMax = int16Of(txtOffMax);
    r.sp1Min = int16Of(txtSP1min);
    r.sp1Max = int16Of(txtSP1max);
    r.sp2Min = int16Of(txtSp2min);
    r.sp2Max = int16Of(txtSP2max);
    r.def = int16Of(txtDef);
    r.mpower = int16Of(txtMpower);
    r.s1PorM = int16Of(txtS1PorM);
    r.s2PorM = int16Of(txtS2PorM);
    r.canURun = int16Of(txtCanURun);
    monsterStats = r;
    writeMonsterRecord(dataFile(kMonsterFileName),
                       static_cast<std::int16_t>(cboMonsterList->currentIndex()), monsterStats);
}

// ---- Encounter editor ----

void frm1::cboMapIndex_Click() {
    const std::int16_t n = checkedAdd16(static_cast<std::int16_t>(cboMapIndex->currentIndex()), 1);
    encounterRecord = readEncounterRecord(dataFile(kEncounterFileName), n);
    // Each text set runs the box's change handler at once, so the totals pass through
    // sums that still hold the previous map's later boxes.
    for (std::size_t i = 0; i < txtMonIndex.size(); ++i) {
        showText(txtMonIndex[i], toQString(FormatInt(encounterRecord.monIndex[i])));
        showText(txtMonFreq[i], toQString(FormatInt(encounterRecord.monFreq[i])));
    }
    for (std::size_t i = 0; i < txtNOMnum.size(); ++i)
        showText(txtNOMnum[i], toQString(FormatInt(encounterRecord.nomNum[i])));
}

namespace {

// The running total goes through the total box's own text after every addition.
template <std::size_t N>
void recomputeTotal(QLineEdit* total, const std::array<QLineEdit*, N>& boxes) {
    total->setText(QStringLiteral("0"));
    for (const QLineEdit* box : boxes) {
        const double t = number(total);
        const double v = number(box);
        total->setText(toQString(FormatDouble(checkedAdd(v, t))));
    }
}

} // namespace

void frm1::txtMonFreq_Change(int) {
    recomputeTotal(txtTotalFreq, txtMonFreq);
}

void frm1::txtNOMnum_Change(int) {
    recomputeTotal(txtTotalMon, txtNOMnum);
}

void frm1::cmdSaveFreq_Click() {
    saveEncounter();
}

void frm1::saveEncounter() {
    EncounterRecord r;
    for (std::size_t i = 0; i < txtMonIndex.size(); ++i) {
        r.monIndex[i] = int16Of(txtMonIndex[i]);
        r.monFreq[i] = int16Of(txtMonFreq[i]);
    }
    for (std::size_t i = 0; i < txtNOMnum.size(); ++i)
        r.nomNum[i] = int16Of(txtNOMnum[i]);
    encounterRecord = r;
    const std::int16_t n = checkedAdd16(static_cast<std::int16_t>(cboMapIndex->currentIndex()), 1);
    writeEncounterRecord(dataFile(kEncounterFileName), n, encounterRecord);
}

// ---- Battle damage calculator ----

void frm1::cmdCalculate_Click() {
    const std::array<const QLineEdit*, kBattleInputCount> inputs{
        txtChLvl, txtChStr, txtChAgi, txtChDam,  txtChDef, txtChHP,
        txtLevel, txtStr,   txtAgi,   txtOffMax, txtDef,   txtHP};
    const std::array<QLineEdit*, kBattleResultCount> results{txtDam2Mon, txtDam2Ch, txtHit2KillMon,
                                                             txtHit2KillCh};
    // Each box is read when its step needs it and each result shown before the next step.
    estimateBattle([&](BattleInput in) { return number(inputs[static_cast<std::size_t>(in)]); },
                   [&](BattleResult out, const std::string& text) {
                       showText(results[static_cast<std::size_t>(out)], toQString(text));
                   });
}

// ---- Preview windows ----

frmPictureList* frm1::previewWindow(int page) const {
    return previewWindows_.at(page - 1);
}

void frm1::showPreviewPage(int page) {
    QPointer<frmPictureList>& window = previewWindows_.at(page - 1);
    if (!window)
        window = new frmPictureList(page);
    window->picture()->clear();
    drawPreviewPage(page);
    window->show();
    window->raise();
}

void frm1::drawPreviewPage(int page) {
    PictureBox& picture = *previewWindows_.at(page - 1)->picture();
    const ByteFile spriteFile(dataFile(kSpriteFileName));
    auto n = static_cast<std::int16_t>(frmPictureList::firstSprite(page));
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            if (n > lastMonsterIndex)
                continue;
            drawSprite(spriteFile, n, 95 * j, 105 * i, colourTable, picture);
            ++n;
        }
    }
    picture.update();
}

} // namespace valmor
