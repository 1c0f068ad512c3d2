// The report command: one self-contained HTML page (inline CSS, SVG charts and PNG
// sprites, a small sorting script it does not need) over the balance model.
#include <algorithm>
#include <cmath>

#include <QByteArray>

#include "cli/balance_commands.h"
#include "cli/check.h"
#include "cli/files.h"
#include "cli/game_data.h"
#include "cli/sprite_images.h"
#include "tables/latin1.h"

namespace valmor::cli {

namespace {

constexpr std::string_view kStyle = R"(
:root{--safe:#2e8540;--risky:#e0a020;--deadly:#c0392b;--unbeatable:#6c3483;--error:#222;--empty:#b8b8b8}
body{font:14px/1.4 "Liberation Sans",Arial,sans-serif;margin:0 auto;max-width:1180px;padding:0 16px;color:#1d1d1d}
h1{margin:16px 0 4px}h2{border-bottom:2px solid #444;margin-top:28px}
nav a{margin-right:14px}
table{border-collapse:collapse}
th,td{padding:2px 6px;text-align:right;border-bottom:1px solid #ddd}
th{background:#eee}table.sortable th{cursor:pointer}#maps-table th{position:sticky;top:0}
td.text,th.text{text-align:left}
.verdict{color:#fff;font-weight:bold;text-align:center}
td.v-safe{background:var(--safe)}td.v-risky{background:var(--risky)}td.v-deadly{background:var(--deadly)}
td.v-unbeatable{background:var(--unbeatable)}td.v-error{background:var(--error)}td.v-empty{background:var(--empty)}
rect.v-safe{fill:var(--safe)}rect.v-risky{fill:var(--risky)}rect.v-deadly{fill:var(--deadly)}
rect.v-unbeatable{fill:var(--unbeatable)}rect.v-error{fill:var(--error)}rect.v-empty{fill:var(--empty)}
.key span{display:inline-block;padding:0 6px;margin-right:6px;color:#fff}
.key .v-safe{background:var(--safe)}.key .v-risky{background:var(--risky)}.key .v-deadly{background:var(--deadly)}
.key .v-unbeatable{background:var(--unbeatable)}.key .v-error{background:var(--error)}.key .v-empty{background:var(--empty)}
svg{width:100%;height:auto;display:block}svg text{font:10px sans-serif;fill:#333}
.problems li.error{color:#a00}
.bestiary{display:grid;grid-template-columns:repeat(auto-fill,minmax(360px,1fr));gap:12px}
.card{border:1px solid #999;border-radius:6px;padding:8px;break-inside:avoid}
.card h3{margin:0 0 4px}.card img{float:right;image-rendering:pixelated;width:90px;height:100px;background:#f3f3f3}
.card dl{display:grid;grid-template-columns:max-content 1fr max-content 1fr;gap:0 8px;margin:0;font-size:12px}
.card dt{color:#555}.card dd{margin:0}
.card table{font-size:11px;margin-top:4px;width:100%;table-layout:fixed}.card td,.card th{overflow-wrap:anywhere;padding:1px 3px}.card p{margin:4px 0;font-size:12px}
@media print{nav,script{display:none}body{max-width:none}#maps-table th{position:static}
*{-webkit-print-color-adjust:exact;print-color-adjust:exact}.chart,.card,tr{break-inside:avoid}}
)";

// Clicking a column heading sorts the table by it; the page reads fully without this.
constexpr std::string_view kScript = R"(
document.querySelectorAll('table.sortable th').forEach(function(th, column) {
  th.addEventListener('click', function() {
    var body = th.closest('table').tBodies[0];
    var rows = Array.prototype.slice.call(body.rows);
    var up = th.dataset.up !== '1'; th.dataset.up = up ? '1' : '0';
    function key(row) { var c = row.cells[column]; return c.dataset.sort !== undefined ? c.dataset.sort : c.textContent; }
    rows.sort(function(a, b) {
      var x = key(a), y = key(b), nx = parseFloat(x), ny = parseFloat(y);
      var r = (!isNaN(nx) && !isNaN(ny)) ? nx - ny : x.localeCompare(y);
      return up ? r : -r;
    });
    rows.forEach(function(row) { body.appendChild(row); });
  });
});
)";

// The text with the characters that mean something to HTML written as entities.
std::string escaped(std::string_view text) {
    constexpr std::string_view kSpecial = "&<>\"";
    constexpr std::string_view kEntities[] = {"&amp;", "&lt;", "&gt;", "&quot;"};
    std::string out;
    for (const char c : text) {
        const std::size_t special = kSpecial.find(c);
        if (special == std::string_view::npos)
            out += c;
        else
            out += kEntities[special];
    }
    return out;
}

std::string latin1Text(std::string_view stored) {
    return escaped(storedText(stored));
}

// A chart's top: the value rounded up to 1, 1.5, 2, 2.5, 3, 4, 5, 6 or 8 times a power of
// ten, so that the four ticks below it read as round numbers.
double roundedUp(double value) {
    if (!(value > 0))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0}) {
        if (step * power >= value)
            return step * power;
    }
    return 10 * power;
}

std::string verdictClass(Verdict verdict) {
    return "v-" + std::string(verdictName(verdict));
}

class ReportWriter {
public:
    ReportWriter(const GameData& data, const GamePictures& pictures, const Balance& balance,
                 const CheckReport& check)
        : data_(data), pictures_(pictures), colours_(paletteColours(pictures.colours)),
          balance_(balance), check_(check) {}

    std::string write() {
        html_ += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                 "<title>VALMOR balance report</title>\n<style>";
        html_ += kStyle;
        html_ += "</style>\n</head>\n<body>\n<h1>VALMOR balance report</h1>\n";
        html_ += "<nav><a href=\"#summary\">Summary</a><a href=\"#charts\">Charts</a>"
                 "<a href=\"#maps\">Maps</a><a href=\"#bestiary\">Bestiary</a></nav>\n";
        summary();
        charts();
        mapsTable();
        bestiary();
        html_ += "<script>";
        html_ += kScript;
        html_ += "</script>\n</body>\n</html>\n";
        return std::move(html_);
    }

private:
    std::string name(int monster) const {
        return latin1Text(data_.monsters[static_cast<std::size_t>(monster)].name);
    }
    std::string itemName(int item) const {
        if (item < 0 || static_cast<std::size_t>(item) >= data_.itemNames.size())
            return item == -1 ? "none" : "no such item";
        return latin1Text(data_.itemNames[static_cast<std::size_t>(item)]);
    }

    void summary() {
        const std::size_t profiles = balance_.profiles.size();
        html_ += "<section id=\"summary\">\n<h2>Summary</h2>\n<p>" +
                 std::to_string(data_.monsters.size()) + " monsters, " +
                 std::to_string(data_.spriteCount) + " sprites, " +
                 std::to_string(data_.encounters.size()) + " maps, " +
                 std::to_string(data_.itemNames.size()) + " item names; " +
                 std::to_string(profiles) + (profiles == 1 ? " profile" : " profiles") + ".</p>\n";
        html_ += "<p class=\"key\">Verdicts: <span class=\"v-safe\">safe</span>"
                 "<span class=\"v-risky\">risky</span><span class=\"v-deadly\">deadly</span>"
                 "<span class=\"v-unbeatable\">unbeatable</span><span "
                 "class=\"v-error\">error</span><span class=\"v-empty\">empty</span></p>\n";
        html_ += "<table class=\"sortable\"><thead><tr><th class=\"text\">Profile</th>"
                 "<th>Level</th><th>Strength</th><th>Agility</th><th>Item damage</th>"
                 "<th>Item defense</th><th>HP</th>";
        for (int v = 0; v <= static_cast<int>(Verdict::Empty); ++v)
            html_ += "<th>" + std::string(verdictName(static_cast<Verdict>(v))) + "</th>";
        html_ += "</tr></thead>\n<tbody>\n";
        for (const ProfileBalance& profile : balance_.profiles) {
            const CharacterProfile& c = profile.character;
            html_ += "<tr><td class=\"text\">" + escaped(c.name) + "</td>";
            for (const double value :
                 {c.level, c.strength, c.agility, c.itemDamage, c.itemDefense, c.hp})
                html_ += "<td>" + formatNumber(value) + "</td>";
            for (int v = 0; v <= static_cast<int>(Verdict::Empty); ++v)
                html_ += "<td>" +
                         std::to_string(std::ranges::count(profile.maps, static_cast<Verdict>(v),
                                                           &MapOutcome::verdict)) +
                         "</td>";
            html_ += "</tr>\n";
        }
        html_ += "</tbody></table>\n";
        if (check_.problems.empty()) {
            html_ += "<p>check finds no problems in the game files.</p>\n";
        } else {
            html_ += "<p>check finds " + std::to_string(check_.problems.size()) +
                     (check_.problems.size() == 1 ? " problem" : " problems") +
                     ":</p>\n<ul class=\"problems\">\n";
            for (const CheckProblem& problem : check_.problems)
                html_ += std::string("<li class=\"") +
                         (problem.severity == Severity::Error ? "error" : "warning") + "\">" +
                         escaped(formatProblem(problem)) + "</li>\n";
            html_ += "</ul>\n";
        }
        html_ += "</section>\n";
    }

    // One bar per map; `height` gives a bar's share of the chart (0 to 1) and `cls` its class.
    template <typename Height, typename Title>
    void barChart(std::string_view id, std::string_view heading, double top, std::string_view unit,
                  const std::vector<MapOutcome>& maps, Height height, Title title,
                  bool verdictColours) {
        constexpr int kLeft = 44, kBar = 4, kHeight = 180, kTop = 8, kBottom = 22;
        const int width = kLeft + kBar * static_cast<int>(maps.size()) + 8;
        html_ += "<figure class=\"chart\"><figcaption>" + std::string(heading) +
                 "</figcaption>\n<svg id=\"" + std::string(id) + "\" viewBox=\"0 0 " +
                 std::to_string(width) + ' ' + std::to_string(kTop + kHeight + kBottom) +
                 "\" role=\"img\">\n";
        for (int tick = 0; tick <= 4; ++tick) {
            const double y = kTop + kHeight - kHeight * tick / 4.0;
            html_ += "<line x1=\"" + std::to_string(kLeft) + "\" x2=\"" + std::to_string(width) +
                     "\" y1=\"" + formatNumber(y) + "\" y2=\"" + formatNumber(y) +
                     "\" stroke=\"#ccc\"/><text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" +
                     formatNumber(y + 3) + "\" text-anchor=\"end\">" +
                     formatNumber(top * tick / 4) + std::string(unit) + "</text>\n";
        }
        for (std::size_t m = 0; m < maps.size(); ++m) {
            const MapOutcome& o = maps[m];
            const double share = std::clamp(height(o), 0.0, 1.0);
            const double h = std::max(share * kHeight, 1.5);
            html_ += "<rect class=\"bar " +
                     (verdictColours ? verdictClass(o.verdict) : std::string("v-plain")) +
                     "\" x=\"" + std::to_string(kLeft + kBar * static_cast<int>(m)) + "\" y=\"" +
                     formatNumber(kTop + kHeight - h) + "\" width=\"" + std::to_string(kBar - 1) +
                     "\" height=\"" + formatNumber(h) + "\"" +
                     (verdictColours ? "" : " fill=\"#3867a8\"") + "><title>map " +
                     std::to_string(o.map) + ": " + title(o) + "</title></rect>\n";
        }
        for (std::size_t m = 0; m < maps.size(); m += 25)
            html_ += "<text x=\"" + std::to_string(kLeft + kBar * static_cast<int>(m)) + "\" y=\"" +
                     std::to_string(kTop + kHeight + 14) + "\">" + std::to_string(maps[m].map) +
                     "</text>\n";
        html_ += "</svg></figure>\n";
    }

    void charts() {
        html_ += "<section id=\"charts\">\n<h2>Charts</h2>\n";
        const ProfileBalance& first = balance_.profiles.front();
        double highest = 100;
        for (const MapOutcome& o : first.maps)
            highest = std::max(highest, o.damagePercent.value_or(0));
        const double top = std::min(std::ceil(highest / 50) * 50, 400.0);
        barChart(
            "damage-chart",
            "Expected damage per encounter as a share of HP, per map (profile " +
                escaped(first.character.name) + "); bars above " + formatNumber(top) +
                "% are cut, unbeatable and error maps drawn full, empty maps flat",
            top, "%", first.maps,
            [&](const MapOutcome& o) {
                if (o.verdict == Verdict::Unbeatable || o.verdict == Verdict::Error)
                    return 1.0;
                return o.damagePercent.value_or(0) / top;
            },
            [](const MapOutcome& o) {
                return (o.damagePercent ? formatNumber(*o.damagePercent) + "% damage, " : "") +
                       std::string(verdictName(o.verdict));
            },
            true);
        double mostExp = 0;
        for (const MapOutcome& o : first.maps)
            mostExp = std::max(mostExp, o.exp);
        const double expTop = roundedUp(mostExp);
        barChart(
            "exp-chart", "Expected experience per encounter, per map", expTop, "", first.maps,
            [&](const MapOutcome& o) { return o.exp / expTop; },
            [](const MapOutcome& o) { return formatNumber(o.exp) + " experience"; }, false);
        if (balance_.profiles.size() > 1)
            heatMap();
        html_ += "</section>\n";
    }

    static std::string heatColour(const MapOutcome& o) {
        if (!o.damagePercent)
            return o.verdict == Verdict::Empty        ? "var(--empty)"
                   : o.verdict == Verdict::Unbeatable ? "var(--unbeatable)"
                                                      : "var(--error)";
        // Green at 0 % through yellow at 50 % to red from 100 % up.
        const double share = std::clamp(*o.damagePercent / 100, 0.0, 1.0);
        const double hue = 120 * (1 - share);
        return "hsl(" + formatNumber(std::round(hue)) + ",75%,45%)";
    }

    void heatMap() {
        constexpr int kLeft = 60, kCell = 4, kRow = 14, kTop = 4;
        const std::size_t maps = data_.encounters.size();
        const std::size_t rows = balance_.profiles.size();
        const int width = kLeft + kCell * static_cast<int>(maps) + 8;
        const int height = kTop + kRow * static_cast<int>(rows) + 20;
        html_ += "<figure class=\"chart\"><figcaption>Expected damage as a share of HP, maps "
                 "across, profiles down: green 0 %, yellow 50 %, red 100 % and more; purple "
                 "unbeatable, black error, grey empty</figcaption>\n<svg id=\"heat-map\" "
                 "viewBox=\"0 0 " +
                 std::to_string(width) + ' ' + std::to_string(height) + "\" role=\"img\">\n";
        for (std::size_t p = 0; p < rows; ++p) {
            const ProfileBalance& profile = balance_.profiles[p];
            const int y = kTop + kRow * static_cast<int>(p);
            html_ += "<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" +
                     std::to_string(y + kRow - 4) + "\" text-anchor=\"end\">" +
                     escaped(profile.character.name) + "</text>\n";
            for (std::size_t m = 0; m < maps; ++m) {
                const MapOutcome& o = profile.maps[m];
                html_ += "<rect x=\"" + std::to_string(kLeft + kCell * static_cast<int>(m)) +
                         "\" y=\"" + std::to_string(y) + "\" width=\"" + std::to_string(kCell) +
                         "\" height=\"" + std::to_string(kRow - 1) +
                         "\" style=\"fill:" + heatColour(o) + "\"><title>map " +
                         std::to_string(o.map) + ", " + escaped(profile.character.name) + ": " +
                         (o.damagePercent ? formatNumber(*o.damagePercent) + "%, " : "") +
                         std::string(verdictName(o.verdict)) + "</title></rect>\n";
            }
        }
        for (std::size_t m = 0; m < maps; m += 25)
            html_ += "<text x=\"" + std::to_string(kLeft + kCell * static_cast<int>(m)) +
                     "\" y=\"" + std::to_string(height - 6) + "\">" + std::to_string(m + 1) +
                     "</text>\n";
        html_ += "</svg></figure>\n";
    }

    std::string monstersCell(const MapOutcome& o) const {
        std::string text;
        for (const MonsterChance& m : o.monsters) {
            if (!text.empty())
                text += ", ";
            text += "<a href=\"#monster-" + std::to_string(m.monster) + "\">" + name(m.monster) +
                    "</a> " + formatNumber(m.chance * 100) + "%";
        }
        return text;
    }

    void mapsTable() {
        html_ += "<section id=\"maps\">\n<h2>Maps</h2>\n<p>One random encounter per map and "
                 "profile: the chance of each monster, the expected group size, hits, "
                 "experience, gold and damage taken, the damage as a share of HP, the worst "
                 "case as a share of HP, and the verdict.</p>\n<table class=\"sortable\" "
                 "id=\"maps-table\"><thead><tr><th>Map</th><th class=\"text\">Profile</th>"
                 "<th class=\"text\">Monsters</th><th>Group</th><th>Hits</th><th>Exp</th>"
                 "<th>Gold</th><th>Damage</th><th>Damage %</th><th>Worst %</th>"
                 "<th class=\"text\">Verdict</th></tr></thead>\n<tbody>\n";
        for (std::size_t m = 0; m < data_.encounters.size(); ++m) {
            for (const ProfileBalance& profile : balance_.profiles) {
                const MapOutcome& o = profile.maps[m];
                html_ += "<tr class=\"map-row\"><td>" + std::to_string(o.map) +
                         "</td><td class=\"text\">" + escaped(profile.character.name) +
                         "</td><td class=\"text\">" + monstersCell(o) + "</td>";
                for (const std::string& cell : outcomeNumbers(o))
                    html_ += "<td>" + cell + "</td>";
                html_ += "<td class=\"text verdict " + verdictClass(o.verdict) + "\">" +
                         std::string(verdictName(o.verdict)) +
                         (o.problem.empty() ? "" : " (" + escaped(o.problem) + ")") +
                         "</td></tr>\n";
            }
        }
        html_ += "</tbody></table>\n</section>\n";
    }

    std::string spriteSource(std::size_t n) const {
        const QByteArray png =
            encodePng(spriteImage(pictures_.frame(static_cast<int>(n)), colours_));
        return "data:image/png;base64," + png.toBase64().toStdString();
    }

    void card(std::size_t n) {
        MonsterRecord record = data_.monsters[n];
        html_ += "<article class=\"card\" id=\"monster-" + std::to_string(n) + "\">\n";
        if (n < static_cast<std::size_t>(pictures_.spriteCount))
            html_ +=
                "<img alt=\"sprite " + std::to_string(n) + "\" src=\"" + spriteSource(n) + "\">";
        html_ += "<h3>" + std::to_string(n) + " " + latin1Text(record.name) + "</h3>\n<dl>";
        for (const MonsterField& field : kMonsterLayout) {
            if (field.name == "name")
                continue;
            std::string value;
            if (field.kind == FieldKind::Text) {
                value = latin1Text(*field.text(record));
            } else {
                const std::int16_t number = *field.int16(record);
                value = std::to_string(number);
                if (field.name == "item1" || field.name == "item2")
                    value += " " + itemName(number);
            }
            html_ += "<dt>" + std::string(field.name) + "</dt><dd>" + value + "</dd>";
        }
        html_ += "</dl>\n<p>Specials: ";
        bool any = false;
        for (const auto& [special, percent, target, low, high, kind] :
             {std::tuple{&record.special1, record.special1Perc, record.s1Target, record.sp1Min,
                         record.sp1Max, record.s1PorM},
              std::tuple{&record.special2, record.special2Perc, record.s2Target, record.sp2Min,
                         record.sp2Max, record.s2PorM}}) {
            const std::string text = latin1Text(*special);
            if (text.empty())
                continue;
            html_ += std::string(any ? "; " : "") + text + " (" + std::to_string(percent) +
                     "%, target " + std::to_string(target) + ", " + std::to_string(low) + " to " +
                     std::to_string(high) + ", P/M " + std::to_string(kind) + ")";
            any = true;
        }
        html_ += std::string(any ? "" : "none") + ".</p>\n<p>Maps: ";
        const auto& places = places_[n];
        if (places.empty())
            html_ += "none";
        for (std::size_t i = 0; i < places.size(); ++i)
            html_ += std::string(i > 0 ? ", " : "") + std::to_string(places[i].first) + " (" +
                     formatNumber(places[i].second * 100) + "%)";
        html_ += ".</p>\n<table><thead><tr><th class=\"text\">Profile</th><th>Damage to "
                 "monster</th><th>Damage to character</th><th>Hits to kill monster</th>"
                 "<th>Hits to kill character</th></tr></thead><tbody>\n";
        for (const ProfileBalance& profile : balance_.profiles) {
            html_ += "<tr><td class=\"text\">" + escaped(profile.character.name) + "</td>";
            for (const std::string& text : resultTexts(profile.battles[n]))
                html_ += "<td>" + escaped(text) + "</td>";
            html_ += "</tr>\n";
        }
        html_ += "</tbody></table>\n</article>\n";
    }

    void bestiary() {
        // The maps where each monster counts, with its chance per encounter slot draw.
        places_.assign(data_.monsters.size(), {});
        for (const MapOutcome& o : balance_.profiles.front().maps)
            for (const MonsterChance& m : o.monsters)
                places_[static_cast<std::size_t>(m.monster)].emplace_back(o.map, m.chance);
        html_ += "<section id=\"bestiary\">\n<h2>Bestiary</h2>\n<div class=\"bestiary\">\n";
        for (std::size_t n = 0; n < data_.monsters.size(); ++n)
            card(n);
        html_ += "</div>\n</section>\n";
    }

    const GameData& data_;
    const GamePictures& pictures_;
    const PaletteColours colours_;
    const Balance& balance_;
    const CheckReport& check_;
    std::vector<std::vector<std::pair<int, double>>> places_;
    std::string html_;
};

} // namespace

void writeReport(const Session& session, const std::vector<CharacterProfile>& profiles,
                 const std::filesystem::path& output) {
    const GameData data = loadGameData(session.folder);
    const GamePictures pictures = loadGamePictures(session.folder);
    const Balance balance = computeBalance(data.monsters, data.encounters, profiles);
    const CheckReport check = checkGameFiles(session.folder);
    if (writeOutput(session, output, ReportWriter(data, pictures, balance, check).write()))
        session.out << "wrote " << shownPath(output) << ": " << data.monsters.size() << " monsters, "
                    << data.encounters.size() << " maps, " << profiles.size()
                    << (profiles.size() == 1 ? " profile" : " profiles") << '\n';
}

} // namespace valmor::cli
