// Which control of the form shows each field of a record, how it shows it, and when a pick
// fills it. The rows name the fields of the record's layout table (game/*_record.h) and the
// controls by their design names in main_window.ui; a field without a row is shown nowhere.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

#include "game/encounter_record.h"
#include "game/monster_record.h"

namespace valmor {

// How the editor shows a field in its control, and turns the control back into it.
enum class FieldControl {
    FixedText,    // a text box: the stored characters; fixed-width assignment back
    Number,       // a text box: FormatInt; ParseNumber, then ToInt16 back
    WholeNumber,  // a text box: FormatInt; TextToInt16 back, so the text must be a number
    ListPosition, // a drop-down list: the entry at the stored position; the selection back
};

struct FieldControlRow {
    std::string_view field;   // the field's name in the layout table
    std::string_view control; // the control's design name
    FieldControl shownAs;
    int fillStep; // the field's place in the order a pick fills the controls, from 1
};

// The monster's fields in layout order. hp2 is shown nowhere: every Save sets it to hp.
inline constexpr std::array<FieldControlRow, 28> kMonsterControls{{
    {"name", "txtName", FieldControl::FixedText, 1},
    {"hp", "txtHP", FieldControl::Number, 3},
    {"gold", "txtGold", FieldControl::Number, 2},
    {"exp", "txtExp", FieldControl::Number, 4},
    {"item1", "cboItem1", FieldControl::ListPosition, 8},
    {"item2", "cboItem2", FieldControl::ListPosition, 11},
    {"level", "txtLevel", FieldControl::Number, 6},
    {"agility", "txtAgi", FieldControl::Number, 5},
    {"strength", "txtStr", FieldControl::Number, 7},
    {"item1Perc", "txtitem1Perc", FieldControl::Number, 9},
    {"item2Perc", "txtItem2Perc", FieldControl::Number, 10},
    {"special1", "txtSpecial1", FieldControl::FixedText, 12},
    {"special2", "txtSpecial2", FieldControl::FixedText, 14},
    {"special1Perc", "txtSpecial1perc", FieldControl::Number, 13},
    {"special2Perc", "txtSpecial2Perc", FieldControl::Number, 15},
    {"s1Target", "txtS1target", FieldControl::WholeNumber, 16},
    {"s2Target", "txtS2target", FieldControl::WholeNumber, 17},
    {"offMin", "txtOffMin", FieldControl::Number, 23},
    {"offMax", "txtOffMax", FieldControl::Number, 24},
    {"sp1Min", "txtSP1min", FieldControl::Number, 19},
    {"sp1Max", "txtSP1max", FieldControl::Number, 20},
    {"sp2Min", "txtSp2min", FieldControl::Number, 21},
    {"sp2Max", "txtSP2max", FieldControl::Number, 22},
    {"def", "txtDef", FieldControl::Number, 18},
    {"mpower", "txtMpower", FieldControl::Number, 27},
    {"s1PorM", "txtS1PorM", FieldControl::Number, 25},
    {"s2PorM", "txtS2PorM", FieldControl::Number, 26},
    {"canURun", "txtCanURun", FieldControl::Number, 28},
}};

// Field i of a row of the map is member i of the row's control array; a pick fills each
// monster number, then its frequency, then the counts.
inline constexpr std::array<FieldControlRow, 13> kEncounterControls{{
    {"monIndex0", "txtMonIndex_0", FieldControl::Number, 1},
    {"monIndex1", "txtMonIndex_1", FieldControl::Number, 3},
    {"monIndex2", "txtMonIndex_2", FieldControl::Number, 5},
    {"monIndex3", "txtMonIndex_3", FieldControl::Number, 7},
    {"monIndex4", "txtMonIndex_4", FieldControl::Number, 9},
    {"monFreq0", "txtMonFreq_0", FieldControl::Number, 2},
    {"monFreq1", "txtMonFreq_1", FieldControl::Number, 4},
    {"monFreq2", "txtMonFreq_2", FieldControl::Number, 6},
    {"monFreq3", "txtMonFreq_3", FieldControl::Number, 8},
    {"monFreq4", "txtMonFreq_4", FieldControl::Number, 10},
    {"nomNum0", "txtNOMnum_0", FieldControl::Number, 11},
    {"nomNum1", "txtNOMnum_1", FieldControl::Number, 12},
    {"nomNum2", "txtNOMnum_2", FieldControl::Number, 13},
}};

// True when every row names a field of `layout`, no field twice, shows a text field as text
// and a number otherwise, and the fill steps are 1 to the number of rows, each once.
template <typename Layout, std::size_t N>
constexpr bool controlsFitLayout(const std::array<FieldControlRow, N>& rows, const Layout& layout) {
    std::array<bool, N + 1> stepSeen{};
    for (std::size_t i = 0; i < N; ++i) {
        const FieldControlRow& row = rows[i];
        const auto field = std::ranges::find(layout, row.field, &Layout::value_type::name);
        if (field == layout.end())
            return false;
        if ((field->kind == FieldKind::Text) != (row.shownAs == FieldControl::FixedText))
            return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (rows[j].field == row.field)
                return false;
        }
        if (row.fillStep < 1 || row.fillStep > static_cast<int>(N) || stepSeen[row.fillStep])
            return false;
        stepSeen[row.fillStep] = true;
    }
    return true;
}
static_assert(controlsFitLayout(kMonsterControls, kMonsterLayout));
static_assert(controlsFitLayout(kEncounterControls, kEncounterLayout));

} // namespace valmor
