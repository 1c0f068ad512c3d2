#include "editor/balance/balance_window_text.h"

#include <QStringList>

#include "balance/balance_text.h"
#include "files/message_text.h"
#include "game/tables/latin1.h"

namespace valmor {

namespace {

// How many changed cells the line names before it only counts the rest.
constexpr std::size_t kNamedChanges = 8;
// How many maps the monster's line names before it only counts the rest.
constexpr std::size_t kNamedPlaces = 24;

QString profileName(const BalanceModel& model, std::size_t profile) {
    return shownText(model.profiles()[profile].name);
}

QString percentOf(const std::optional<double>& value) {
    return value ? QString::fromStdString(formatNumber(*value)) + '%' : QStringLiteral("unknown");
}

// Two chances, short where that still tells them apart.
std::pair<QString, QString> shortPair(const std::optional<double>& before,
                                      const std::optional<double>& after) {
    const auto brief = [](const std::optional<double>& value) {
        return value ? QString::fromStdString(shortPercent(*value)) : QStringLiteral("unknown");
    };
    if (brief(before) != brief(after))
        return {brief(before), brief(after)};
    return {percentOf(before), percentOf(after)};
}

} // namespace

QString storedName(std::string_view latin1) {
    return shownText(tables::storedText(latin1));
}

QString shownText(std::string_view utf8) {
    return QString::fromStdString(escapeForMessage(utf8));
}

QString cellDescription(const BalanceWhatIf& table, BalanceCell cell) {
    const BalanceModel& shown = table.shown();
    const MapOutcome& o = shown.outcome(cell);
    QString text = QStringLiteral("Map %1, %2: %3")
                       .arg(o.map)
                       .arg(profileName(shown, cell.profile), shownText(verdictText(o)));
    if (o.damagePercent) {
        text += QStringLiteral("\nDamage share %1, worst case %2, defeat chance %3")
                    .arg(percentOf(o.damagePercent), percentOf(o.worstPercent),
                         percentOf(o.defeatPercent));
    }
    if (o.monsters.empty()) {
        text += QStringLiteral("\nNo monster counts here");
    } else {
        QString monsters;
        for (const MonsterChance& m : o.monsters) {
            monsters +=
                QStringLiteral("\n  %1 %2 %3")
                    .arg(m.monster)
                    .arg(storedName(shown.monsters()[static_cast<std::size_t>(m.monster)].name),
                         QString::fromStdString(percentText(m.chance)));
        }
        text += QStringLiteral("\nMonsters (number, name, chance):") + monsters;
    }
    if (table.differs(cell)) {
        const MapOutcome& saved = table.saved().outcome(cell);
        text += QStringLiteral("\nSaved files: %1, defeat chance %2")
                    .arg(shownText(verdictText(saved)), percentOf(saved.defeatPercent));
    }
    return text;
}

QString targetLine(const std::optional<TargetBand>& band, const MapOutcome& now,
                   const MapOutcome* proposed) {
    const auto chance = [](const MapOutcome& outcome) {
        const std::optional<double> percent = targetPercent(outcome);
        return percent ? QString::fromStdString(formatNumber(*percent)) + '%'
                       : QStringLiteral("an error");
    };
    QString line = band ? QStringLiteral("target %1, now %2")
                              .arg(QString::fromStdString(bandText(*band)), chance(now))
                        : QStringLiteral("no target band, now %1").arg(chance(now));
    if (proposed != nullptr)
        line += QStringLiteral(", proposed %1").arg(chance(*proposed));
    return line;
}

QString changesLine(const BalanceWhatIf& table) {
    const std::vector<BalanceCell> cells = table.differences();
    if (cells.empty())
        return {};
    QStringList parts;
    for (const BalanceCell& cell : cells) {
        if (static_cast<std::size_t>(parts.size()) == kNamedChanges)
            break;
        const MapOutcome& before = table.saved().outcome(cell);
        const MapOutcome& after = table.shown().outcome(cell);
        QStringList what;
        if (verdictText(before) != verdictText(after))
            what.append(QStringLiteral("%1 -> %2")
                            .arg(shownText(verdictText(before)), shownText(verdictText(after))));
        if (defeatText(before) != defeatText(after)) {
            const auto [from, to] = shortPair(before.defeatPercent, after.defeatPercent);
            what.append(QStringLiteral("defeat %1 -> %2").arg(from, to));
        }
        parts.append(QStringLiteral("map %1, %2: %3")
                         .arg(cell.map + 1)
                         .arg(profileName(table.shown(), cell.profile), what.join(", ")));
    }
    QString line = QStringLiteral("Unsaved edits change %1 %2: %3")
                       .arg(cells.size())
                       .arg(cells.size() == 1 ? QStringLiteral("cell") : QStringLiteral("cells"),
                            parts.join(QStringLiteral("; ")));
    if (cells.size() > kNamedChanges)
        line += QStringLiteral("; and %1 more").arg(cells.size() - kNamedChanges);
    return line;
}

QString monsterLine(const BalanceModel& model, int monster) {
    if (monster < 0)
        return QStringLiteral(
            "Pick a monster in the main window to mark the maps where it counts.");
    if (static_cast<std::size_t>(monster) >= model.monsters().size())
        return QStringLiteral("Monster %1 has no record in the stats file yet.").arg(monster);
    const std::vector<MonsterPlace> places = model.placesOf(monster);
    QString line = QStringLiteral("%1 (monster %2) counts in %3 of %4 maps")
                       .arg(storedName(model.monsters()[static_cast<std::size_t>(monster)].name))
                       .arg(monster)
                       .arg(places.size())
                       .arg(model.maps().size());
    if (places.empty())
        return line + '.';
    QStringList named;
    for (const MonsterPlace& place : places) {
        if (static_cast<std::size_t>(named.size()) == kNamedPlaces)
            break;
        named.append(QStringLiteral("%1 (%2)")
                         .arg(place.map + 1)
                         .arg(QString::fromStdString(shortPercent(place.chance * 100))));
    }
    line += QStringLiteral(": ") + named.join(QStringLiteral(", "));
    if (places.size() > kNamedPlaces)
        line += QStringLiteral(" and %1 more").arg(places.size() - kNamedPlaces);
    return line;
}

std::string tableAsTabSeparated(const BalanceModel& model) {
    std::string text;
    const auto cell = [&](std::string_view value, bool first) {
        if (!first)
            text += '\t';
        for (const char c : value)
            text += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
    };
    for (std::size_t c = 0; c < kMapColumns.size(); ++c)
        cell(kMapColumns[c], c == 0);
    text += '\n';
    for (std::size_t m = 0; m < model.maps().size(); ++m) {
        for (std::size_t p = 0; p < model.profiles().size(); ++p) {
            const auto cells = mapRowCells(model.outcome({m, p}), model.profiles()[p].name);
            for (std::size_t c = 0; c < cells.size(); ++c)
                cell(cells[c], c == 0);
            text += '\n';
        }
    }
    return text;
}

} // namespace valmor
