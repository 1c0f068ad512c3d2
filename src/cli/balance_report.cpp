// The report command: one self-contained HTML page (inline CSS, SVG charts and PNG
// sprites, a small sorting script it does not need) over the balance model, written as it
// is made so that memory does not grow with the monsters or the profiles.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <unordered_map>

#include <QByteArray>

#include "balance/balance_colours.h"
#include "balance/character_profiles.h"
#include "balance/targets.h"
#include "cli/balance_commands.h"
#include "cli/built_in_texts.h"
#include "cli/check.h"
#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/game_data.h"
#include "cli/sprite_images.h"
#include "game/tables/latin1.h"

namespace valmor::cli {

using tables::storedText;

namespace {

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

// A share in a narrow cell.
std::string shortPercentCell(double value) {
    return escaped(shortPercent(value));
}

// The colour of an expected damage share: green at 0 % through yellow at 50 % to red from
// 100 % up.
std::string damageColour(double percent) {
    return "hsl(" + formatNumber(damageShareHue(percent)) + ",75%,45%)";
}

std::string cssColour(const RgbColour& colour) {
    return "rgb(" + std::to_string(colour.red) + ',' + std::to_string(colour.green) + ',' +
           std::to_string(colour.blue) + ')';
}

// The colour of a map whose shares are unknown: purple, black or grey.
std::string unknownColour(Verdict verdict) {
    return verdict == Verdict::Empty        ? "var(--empty)"
           : verdict == Verdict::Unbeatable ? "var(--unbeatable)"
                                            : "var(--error)";
}

// One map and profile as the page shows it; the numbers are known for safe, risky and
// deadly maps.
struct Cell {
    Verdict verdict = Verdict::Empty;
    double damagePercent = 0;
    double worstPercent = 0;
    double defeatPercent = 0;
    std::string problem;
    TargetStatus target = TargetStatus::NoBand;
    double outside = 0; // percentage points outside the band

    bool known() const {
        return verdict == Verdict::Safe || verdict == Verdict::Risky || verdict == Verdict::Deadly;
    }
};

// The 45 x 50 thumbnail of a sprite's image: every second pixel of every second row, with
// only the colour table entries it uses, so that a page of many thumbnails stays small.
QImage thumbnail(const QImage& sprite) {
    const int width = sprite.width() / 2, height = sprite.height() / 2;
    std::array<int, 256> entry;
    entry.fill(-1);
    QList<QRgb> table;
    QImage image(width, height, QImage::Format_Indexed8);
    for (int y = 0; y < height; ++y) {
        const uchar* from = sprite.constScanLine(2 * y);
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const uchar index = from[2 * x];
            if (entry[index] < 0) {
                entry[index] = static_cast<int>(table.size());
                table.push_back(sprite.color(index));
            }
            line[x] = static_cast<uchar>(entry[index]);
        }
    }
    image.setColorTable(table);
    return image;
}

class ReportWriter {
public:
    ReportWriter(std::ostream& out, const GameData& data, const GamePictures& pictures,
                 const std::vector<CharacterProfile>& profiles, const std::vector<int>& named,
                 const CheckReport& check, const std::optional<TargetBands>& targets)
        : out_(out), data_(data), sprites_(pictures), colours_(paletteColours(pictures.colours)),
          profiles_(profiles), check_(check), targets_(targets),
          mapsPerMonster_(mapsPerMonster(data.encounters, data.monsters.size())),
          battles_(data.monsters, profiles) {
        for (const int n : named) {
            if (mapsPerMonster_[static_cast<std::size_t>(n)] == 0 &&
                std::ranges::find(named_, n) == named_.end())
                named_.push_back(n);
        }
        for (const int count : mapsPerMonster_)
            counting_ += count > 0 ? 1 : 0;
        workOutMaps();
    }

    void write() {
        out_ << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                "<title>VALMOR balance report</title>\n<style>\n"
             << builtInText("report/report.css")
             << "</style>\n</head>\n<body>\n<h1>VALMOR balance report</h1>\n"
                "<nav><a href=\"#summary\">Summary</a><a href=\"#charts\">Charts</a>"
                "<a href=\"#maps\">Maps</a>"
             << (targets_ ? "<a href=\"#targets\">Targets</a>" : "")
             << "<a href=\"#bestiary\">Bestiary</a></nav>\n";
        summary();
        charts();
        if (targets_)
            targetsSection();
        mapsTable();
        bestiary();
        spritePictures();
        // Clicking a column heading sorts the table by it (the column is the heading's place
        // in its own row, not in the page); the page reads fully without the script.
        out_ << "<script>\n" << builtInText("report/report.js") << "</script>\n</body>\n</html>\n";
    }

private:
    // Every map against every profile. Only the page's cells are kept, a few numbers each;
    // the first profile's outcomes give what does not depend on the profile.
    void workOutMaps() {
        const std::size_t maps = data_.encounters.size();
        cells_.resize(maps * profiles_.size());
        outcomes_.reserve(maps);
        for (std::size_t m = 0; m < maps; ++m) {
            for (std::size_t p = 0; p < profiles_.size(); ++p) {
                MapOutcome o = mapOutcome(static_cast<int>(m + 1), data_.encounters[m],
                                          data_.monsters, battles_.lookup(p), profiles_[p].hp);
                Cell& c = cells_[m * profiles_.size() + p];
                c = {o.verdict, o.damagePercent.value_or(0), o.worstPercent.value_or(0),
                     o.defeatPercent.value_or(0), o.problem};
                if (targets_) {
                    const auto& band = targets_->band({m, p});
                    c.target = targetStatus(band, o);
                    c.outside = band ? distanceOutside(*band, o) : 0;
                }
                if (p == 0)
                    outcomes_.push_back(std::move(o));
            }
        }
    }

    const Cell& cell(std::size_t map, std::size_t profile) const {
        return cells_[map * profiles_.size() + profile];
    }

    std::string name(int monster) const {
        return latin1Text(data_.monsters[static_cast<std::size_t>(monster)].name);
    }
    std::string itemName(int item) const {
        if (item < 0 || static_cast<std::size_t>(item) >= data_.itemNames.size())
            return item == -1 ? "none" : "no such item";
        return latin1Text(data_.itemNames[static_cast<std::size_t>(item)]);
    }

    bool shownInFull(std::size_t n) const {
        return mapsPerMonster_[n] > 0 ||
               std::ranges::find(named_, static_cast<int>(n)) != named_.end();
    }

    // How many monsters get a full card, and why.
    std::string shownInFull() const {
        const std::size_t total = data_.monsters.size();
        const std::size_t full = counting_ + named_.size();
        std::string text = std::to_string(full) + " of " + std::to_string(total) +
                           (total == 1 ? " monster is" : " monsters are") + " shown in full: the " +
                           std::to_string(counting_) +
                           " that count on some map (only they can change a map)";
        if (!named_.empty())
            text += " and " + std::to_string(named_.size()) + " named with --monster";
        text += '.';
        if (full < total)
            text += " The other " + std::to_string(total - full) +
                    " are listed in one row each under \"Monsters on no map\".";
        return text;
    }

    void summary() {
        const std::size_t profiles = profiles_.size();
        out_ << "<section id=\"summary\">\n<h2>Summary</h2>\n<p>" << data_.monsters.size()
             << " monsters, " << data_.spriteCount << " sprites, " << data_.encounters.size()
             << " maps, " << data_.itemNames.size() << " item names; " << profiles
             << (profiles == 1 ? " profile" : " profiles") << ". " << shownInFull() << "</p>\n";
        out_ << "<p class=\"key\">Verdicts: <span class=\"v-safe\">safe</span>"
                "<span class=\"v-risky\">risky</span><span class=\"v-deadly\">deadly</span>"
                "<span class=\"v-unbeatable\">unbeatable</span><span "
                "class=\"v-error\">error</span><span class=\"v-empty\">empty</span></p>\n";
        out_ << "<table class=\"sortable\"><thead><tr><th class=\"text\">Profile</th>"
                "<th>Level</th><th>Strength</th><th>Agility</th><th>Item damage</th>"
                "<th>Item defense</th><th>HP</th>";
        for (int v = 0; v <= static_cast<int>(Verdict::Empty); ++v)
            out_ << "<th>" << verdictName(static_cast<Verdict>(v)) << "</th>";
        out_ << "</tr></thead>\n<tbody>\n";
        for (std::size_t p = 0; p < profiles; ++p) {
            const CharacterProfile& c = profiles_[p];
            std::array<int, static_cast<std::size_t>(Verdict::Empty) + 1> counts{};
            for (std::size_t m = 0; m < data_.encounters.size(); ++m)
                ++counts[static_cast<std::size_t>(cell(m, p).verdict)];
            out_ << "<tr><td class=\"text\">" << escaped(c.name) << "</td>";
            for (const double value :
                 {c.level, c.strength, c.agility, c.itemDamage, c.itemDefense, c.hp})
                out_ << "<td>" << formatNumber(value) << "</td>";
            for (const int count : counts)
                out_ << "<td>" << count << "</td>";
            out_ << "</tr>\n";
        }
        out_ << "</tbody></table>\n";
        if (check_.problems.empty()) {
            out_ << "<p>check finds no problems in the game files.</p>\n";
        } else {
            out_ << "<p>check finds " << check_.problems.size()
                 << (check_.problems.size() == 1 ? " problem" : " problems")
                 << ":</p>\n<ul class=\"problems\">\n";
            for (const CheckProblem& problem : check_.problems)
                out_ << "<li class=\""
                     << (problem.severity == Severity::Error ? "error" : "warning") << "\">"
                     << escaped(formatProblem(problem)) << "</li>\n";
            out_ << "</ul>\n";
        }
        out_ << "</section>\n";
    }

    // One bar per map; `height` gives a bar's share of the chart (0 to 1).
    template <typename Height, typename Title>
    void barChart(std::string_view id, std::string_view heading, double top, std::string_view unit,
                  Height height, Title title, bool verdictColours) {
        constexpr int kLeft = 44, kBar = 4, kHeight = 180, kTop = 8, kBottom = 22;
        const std::vector<MapOutcome>& maps = outcomes_;
        const int width = kLeft + kBar * static_cast<int>(maps.size()) + 8;
        out_ << "<figure class=\"chart\"><figcaption>" << heading << "</figcaption>\n<svg id=\""
             << id << "\" viewBox=\"0 0 " << width << ' ' << kTop + kHeight + kBottom
             << "\" role=\"img\">\n";
        for (int tick = 0; tick <= 4; ++tick) {
            const double y = kTop + kHeight - kHeight * tick / 4.0;
            out_ << "<line x1=\"" << kLeft << "\" x2=\"" << width << "\" y1=\"" << formatNumber(y)
                 << "\" y2=\"" << formatNumber(y) << "\" stroke=\"#ccc\"/><text x=\"" << kLeft - 4
                 << "\" y=\"" << formatNumber(y + 3) << "\" text-anchor=\"end\">"
                 << formatNumber(top * tick / 4) << unit << "</text>\n";
        }
        for (std::size_t m = 0; m < maps.size(); ++m) {
            const MapOutcome& o = maps[m];
            const double share = std::clamp(height(o), 0.0, 1.0);
            const double h = std::max(share * kHeight, 1.5);
            out_ << "<rect class=\"bar "
                 << (verdictColours ? verdictClass(o.verdict) : std::string("v-plain")) << "\" x=\""
                 << kLeft + kBar * static_cast<int>(m) << "\" y=\""
                 << formatNumber(kTop + kHeight - h) << "\" width=\"" << kBar - 1 << "\" height=\""
                 << formatNumber(h) << "\"" << (verdictColours ? "" : " fill=\"#3867a8\"")
                 << "><title>map " << o.map << ": " << title(o) << "</title></rect>\n";
        }
        for (std::size_t m = 0; m < maps.size(); m += 25)
            out_ << "<text x=\"" << kLeft + kBar * static_cast<int>(m) << "\" y=\""
                 << kTop + kHeight + 14 << "\">" << maps[m].map << "</text>\n";
        out_ << "</svg></figure>\n";
    }

    void charts() {
        out_ << "<section id=\"charts\">\n<h2>Charts</h2>\n";
        double highest = 100;
        for (const MapOutcome& o : outcomes_)
            highest = std::max(highest, o.damagePercent.value_or(0));
        const double top = std::min(std::ceil(highest / 50) * 50, 400.0);
        barChart(
            "damage-chart",
            "Expected damage per encounter as a share of HP, per map (profile " +
                escaped(profiles_.front().name) + "); bars above " + formatNumber(top) +
                "% are cut, unbeatable and error maps drawn full, empty maps flat",
            top, "%",
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
        for (const MapOutcome& o : outcomes_)
            mostExp = std::max(mostExp, o.exp);
        const double expTop = roundedUp(mostExp);
        barChart(
            "exp-chart", "Expected experience per encounter, per map", expTop, "",
            [&](const MapOutcome& o) { return o.exp / expTop; },
            [](const MapOutcome& o) { return formatNumber(o.exp) + " experience"; }, false);
        if (profiles_.size() > 1) {
            heatMap(
                "heat-map",
                "Expected damage as a share of HP, maps across, profiles down: green 0 %, "
                "yellow 50 %, red 100 % and more; purple unbeatable, black error, grey empty",
                [](const Cell& c) { return damageColour(c.damagePercent); },
                [](const Cell& c) { return formatNumber(c.damagePercent) + "% damage"; });
            heatMap(
                "defeat-map",
                "Chance that one encounter defeats the character, maps across, profiles "
                "down: white 0 %, orange 50 %, dark red 100 %; purple unbeatable, black "
                "error, grey empty",
                [](const Cell& c) { return cssColour(defeatColour(c.defeatPercent)); },
                [](const Cell& c) { return formatNumber(c.defeatPercent) + "% defeat"; });
        }
        if (targets_)
            heatMap(
                "target-map",
                "Chance of defeat against the target bands, maps across, profiles down: grey "
                "inside the band, reds too dangerous and blues too easy (darker further out, "
                "darkest 50 points out), black an error, white no band",
                [](const Cell& c) { return cssColour(targetColour(c.target, c.outside)); },
                [](const Cell& c) { return formatNumber(c.defeatPercent) + "% defeat"; },
                [&](std::size_t m, std::size_t p) {
                    const auto& band = targets_->band({m, p});
                    return band ? ", target " + bandText(*band) : std::string(", no band");
                });
        out_ << "</section>\n";
    }

    // Per map, the cells outside their band.
    void targetsSection() {
        std::size_t banded = 0;
        std::size_t outside = 0;
        for (const Cell& c : cells_) {
            banded += c.target != TargetStatus::NoBand;
            outside += missesBand(c.target);
        }
        out_ << "<section id=\"targets\">\n<h2>Targets</h2>\n<p class=\"lead\">" << outside
             << " of " << banded << (banded == 1 ? " cell" : " cells") << " with a target band "
             << (outside == 1 ? "is" : "are")
             << " outside it. An unbeatable map counts as a 100 % chance of defeat, an empty "
                "map as 0 %; an error misses every band.</p>\n";
        if (outside == 0) {
            out_ << "</section>\n";
            return;
        }
        out_ << "<div class=\"wide\"><table class=\"sortable\"><thead><tr><th>Map</th><th>"
                "Cells outside their band</th></tr></thead><tbody>\n";
        for (std::size_t m = 0; m < data_.encounters.size(); ++m) {
            std::string list;
            for (std::size_t p = 0; p < profiles_.size(); ++p) {
                const Cell& c = cell(m, p);
                if (!missesBand(c.target))
                    continue;
                list += (list.empty() ? "" : "; ") + escaped(profiles_[p].name) + ": " +
                        (c.target == TargetStatus::Failed         ? std::string("error")
                         : c.target == TargetStatus::TooDangerous ? "too dangerous"
                                                                  : "too easy") +
                        ", now " + nowText(c) + ", target " + bandText(*targets_->band({m, p}));
            }
            if (!list.empty())
                out_ << "<tr><td data-sort=\"" << m + 1 << "\">" << m + 1 << "</td><td>" << list
                     << "</td></tr>\n";
        }
        out_ << "</tbody></table></div>\n</section>\n";
    }

    static std::string nowText(const Cell& c) {
        if (c.verdict == Verdict::Unbeatable)
            return "unbeatable (100%)";
        if (c.verdict == Verdict::Empty)
            return "empty (0%)";
        if (c.verdict == Verdict::Error)
            return "error";
        return formatNumber(c.defeatPercent) + "%";
    }

    // Maps across, profiles down; `colour` and `value` for the cells whose numbers are known.
    // With `band`, every cell takes `colour` and its title ends with what `band` says of it.
    void heatMap(std::string_view id, std::string_view caption,
                 const std::function<std::string(const Cell&)>& colour,
                 const std::function<std::string(const Cell&)>& value,
                 const std::function<std::string(std::size_t, std::size_t)>& band = {}) {
        constexpr int kLeft = 60, kCell = 4, kRow = 14, kTop = 4;
        const std::size_t maps = data_.encounters.size();
        const std::size_t rows = profiles_.size();
        const int width = kLeft + kCell * static_cast<int>(maps) + 8;
        const int height = kTop + kRow * static_cast<int>(rows) + 20;
        out_ << "<figure class=\"chart\"><figcaption>" << caption << "</figcaption>\n<svg id=\""
             << id << "\" viewBox=\"0 0 " << width << ' ' << height << "\" role=\"img\">\n"
             << "<rect x=\"" << kLeft - 1 << "\" y=\"" << kTop - 1 << "\" width=\""
             << kCell * static_cast<int>(maps) + 2 << "\" height=\""
             << kRow * static_cast<int>(rows) + 1 << "\" fill=\"none\" stroke=\"#999\"/>\n";
        for (std::size_t p = 0; p < rows; ++p) {
            const std::string profile = escaped(profiles_[p].name);
            const int y = kTop + kRow * static_cast<int>(p);
            out_ << "<text x=\"" << kLeft - 4 << "\" y=\"" << y + kRow - 4
                 << "\" text-anchor=\"end\">" << profile << "</text>\n";
            for (std::size_t m = 0; m < maps; ++m) {
                const Cell& c = cell(m, p);
                out_ << "<rect x=\"" << kLeft + kCell * static_cast<int>(m) << "\" y=\"" << y
                     << "\" width=\"" << kCell << "\" height=\"" << kRow - 1 << "\" style=\"fill:"
                     << (c.known() || band ? colour(c) : unknownColour(c.verdict))
                     << "\"><title>map " << m + 1 << ", " << profile << ": "
                     << (c.known() ? value(c) + ", " : "") << verdictName(c.verdict)
                     << (band ? band(m, p) : "") << "</title></rect>\n";
            }
        }
        for (std::size_t m = 0; m < maps; m += 25)
            out_ << "<text x=\"" << kLeft + kCell * static_cast<int>(m) << "\" y=\"" << height - 6
                 << "\">" << m + 1 << "</text>\n";
        out_ << "</svg></figure>\n";
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

    // A profile's cell: coloured by verdict, the damage share above the defeat chance.
    // Sorting puts the unknown ones past every chance.
    void profileCell(const Cell& c, const std::string& profile) {
        out_ << "<td class=\"p " << verdictClass(c.verdict) << "\" data-sort=\"";
        if (c.known()) {
            out_ << formatNumber(c.defeatPercent) << "\" title=\"" << profile << ": "
                 << formatNumber(c.damagePercent) << "% damage, " << formatNumber(c.defeatPercent)
                 << "% defeat, " << verdictName(c.verdict) << "\">"
                 << shortPercentCell(c.damagePercent) << "<b>" << shortPercentCell(c.defeatPercent)
                 << "</b></td>";
            return;
        }
        out_ << (c.verdict == Verdict::Empty        ? "-1"
                 : c.verdict == Verdict::Unbeatable ? "101"
                                                    : "102")
             << "\" title=\"" << profile << ": " << verdictName(c.verdict)
             << (c.problem.empty() ? "" : " (" + escaped(c.problem) + ")") << "\">"
             << (c.verdict == Verdict::Unbeatable ? "unbeat&shy;able" : verdictName(c.verdict))
             << "</td>";
    }

    void mapsTable() {
        out_ << "<section id=\"maps\">\n<h2>Maps</h2>\n<p class=\"lead\">One random encounter "
                "per map: the chance of each monster, the expected group size, experience and "
                "gold; then a cell per profile, coloured by its verdict, with the expected "
                "damage as a share of HP above and, in bold, the chance that the encounter "
                "defeats the character. balance writes every number of each map and profile.</p>"
                "\n<div class=\"wide\"><table class=\"sortable\" id=\"maps-table\"><thead><tr>"
                "<th>Map</th><th class=\"text\">Monsters</th><th>Group</th><th>Exp</th>"
                "<th>Gold</th>";
        std::vector<std::string> profiles;
        for (const CharacterProfile& profile : profiles_) {
            profiles.push_back(escaped(profile.name));
            out_ << "<th>" << profiles.back() << "</th>";
        }
        out_ << "</tr></thead>\n<tbody>\n";
        for (std::size_t m = 0; m < outcomes_.size(); ++m) {
            const MapOutcome& o = outcomes_[m];
            out_ << "<tr class=\"map-row\"><td>" << o.map << "</td><td class=\"text monsters\">"
                 << monstersCell(o) << "</td>";
            const auto numbers = outcomeNumbers(o); // group, hits, exp, gold, ...
            for (const std::size_t i : {std::size_t{0}, std::size_t{2}, std::size_t{3}})
                out_ << "<td>" << numbers[i] << "</td>";
            for (std::size_t p = 0; p < profiles_.size(); ++p)
                profileCell(cell(m, p), profiles[p]);
            out_ << "</tr>\n";
        }
        out_ << "</tbody></table></div>\n</section>\n";
    }

    // The sprite of monster n: an element whose class names its picture. Each picture is
    // written once, at the end of the page, however many monsters share its bytes; one
    // that only the table of monsters on no map shows is written as a thumbnail.
    std::string sprite(std::size_t n, bool small) {
        if (n >= static_cast<std::size_t>(sprites_.spriteCount))
            return {};
        const SpriteFrame frame = sprites_.frame(static_cast<int>(n));
        // Frames with equal 64-bit hashes are taken as equal.
        const std::size_t hash = std::hash<std::string_view>{}(
            std::string_view(reinterpret_cast<const char*>(frame.data()), frame.size()));
        auto [known, added] = spriteIds_.try_emplace(hash, pictures_.size());
        if (added)
            pictures_.push_back({static_cast<int>(n), !small});
        else
            pictures_[known->second].full = pictures_[known->second].full || !small;
        const std::string classes = "sprite s" + std::to_string(known->second);
        if (small)
            return "<i class=\"" + classes + "\"></i>";
        return "<span class=\"" + classes + "\" role=\"img\" aria-label=\"sprite " +
               std::to_string(n) + "\"></span>";
    }

    // The pictures the sprites' classes name, as PNG images.
    void spritePictures() {
        out_ << "<style>\n";
        for (std::size_t id = 0; id < pictures_.size(); ++id) {
            const QImage image = spriteImage(sprites_.frame(pictures_[id].monster), colours_);
            const QByteArray png = encodePng(pictures_[id].full ? image : thumbnail(image));
            out_ << ".s" << id << "{background-image:url(data:image/png;base64,"
                 << png.toBase64().toStdString() << ")}\n";
        }
        out_ << "</style>\n";
    }

    void card(std::size_t n) {
        MonsterRecord record = data_.monsters[n];
        out_ << "<article class=\"card\" id=\"monster-" << n << "\">\n"
             << sprite(n, false) << "<h3>" << n << ' ' << latin1Text(record.name) << "</h3>\n<dl>";
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
            out_ << "<dt>" << field.name << "</dt><dd>" << value << "</dd>";
        }
        out_ << "</dl>\n<p>Specials: ";
        bool any = false;
        for (const auto& [special, percent, target, low, high, kind] :
             {std::tuple{&record.special1, record.special1Perc, record.s1Target, record.sp1Min,
                         record.sp1Max, record.s1PorM},
              std::tuple{&record.special2, record.special2Perc, record.s2Target, record.sp2Min,
                         record.sp2Max, record.s2PorM}}) {
            const std::string text = latin1Text(*special);
            if (text.empty())
                continue;
            out_ << (any ? "; " : "") << text << " (" << percent << "%, target " << target << ", "
                 << low << " to " << high << ", P/M " << kind << ")";
            any = true;
        }
        out_ << (any ? "" : "none") << ".</p>\n<p>Maps: ";
        // The maps where it counts, with its chance per encounter slot draw.
        bool anyMap = false;
        for (const MapOutcome& o : outcomes_) {
            for (const MonsterChance& m : o.monsters) {
                if (static_cast<std::size_t>(m.monster) != n)
                    continue;
                out_ << (anyMap ? ", " : "") << o.map << " (" << formatNumber(m.chance * 100)
                     << "%)";
                anyMap = true;
            }
        }
        out_ << (anyMap ? "" : "none")
             << ".</p>\n<table><thead><tr><th class=\"text\">Profile</th><th>Damage to "
                "monster</th><th>Damage to character</th><th>Hits to kill monster</th>"
                "<th>Hits to kill character</th></tr></thead><tbody>\n";
        for (std::size_t p = 0; p < profiles_.size(); ++p) {
            out_ << "<tr><td class=\"text\">" << escaped(profiles_[p].name) << "</td>";
            for (const std::string& text : resultTexts(battles_.battle(static_cast<int>(n), p)))
                out_ << "<td>" << escaped(text) << "</td>";
            out_ << "</tr>\n";
        }
        out_ << "</tbody></table>\n</article>\n";
    }

    void bestiary() {
        out_ << "<section id=\"bestiary\">\n<h2>Bestiary</h2>\n<p class=\"lead\">" << shownInFull()
             << "</p>\n<div class=\"bestiary\">\n";
        for (std::size_t n = 0; n < data_.monsters.size(); ++n) {
            if (shownInFull(n))
                card(n);
        }
        out_ << "</div>\n";
        if (counting_ + named_.size() == data_.monsters.size()) {
            out_ << "</section>\n";
            return;
        }
        // Tables of a few hundred rows each, which a browser lays out only when they come
        // into view.
        constexpr std::size_t kRowsPerTable = 250;
        out_ << "<h3>Monsters on no map</h3>\n<table class=\"others\"><thead><tr><th>Monster</th>"
                "<th class=\"text\">Sprite</th><th class=\"text\">Name</th><th>HP</th>"
                "<th>Exp</th><th>Gold</th><th class=\"text\">Maps</th></tr></thead></table>\n";
        std::size_t rows = 0;
        for (std::size_t n = 0; n < data_.monsters.size(); ++n) {
            if (shownInFull(n))
                continue;
            if (rows++ % kRowsPerTable == 0)
                out_ << (rows > 1 ? "</tbody></table></div>\n" : "")
                     << "<div class=\"rows\"><table class=\"others\"><tbody>\n";
            const MonsterRecord& record = data_.monsters[n];
            // Lean rows, there being thousands: no end tags where HTML implies them, and the
            // thumbnail beside the name is decoration.
            out_ << "<tr id=\"monster-" << n << "\"><td>" << n << "<td>" << sprite(n, true)
                 << "<td>" << latin1Text(record.name) << "<td>" << record.hp << "<td>" << record.exp
                 << "<td>" << record.gold << "<td>no map\n";
        }
        out_ << "</tbody></table></div>\n</section>\n";
    }

    std::ostream& out_;
    const GameData& data_;
    const GamePictures& sprites_;
    const PaletteColours colours_;
    const std::vector<CharacterProfile>& profiles_;
    const CheckReport& check_;
    const std::optional<TargetBands>& targets_;
    const std::vector<int> mapsPerMonster_;
    std::vector<int> named_;   // named with --monster and counting on no map
    std::size_t counting_ = 0; // monsters that count on some map
    BattleCache battles_;
    std::vector<MapOutcome> outcomes_; // per map, for the first profile
    std::vector<Cell> cells_;          // per map and profile
    struct Picture {
        int monster; // the first monster shown with it
        bool full;   // shown on a card, not only as a thumbnail
    };
    std::vector<Picture> pictures_;                          // by id
    std::unordered_map<std::size_t, std::size_t> spriteIds_; // a frame's hash: its picture id
};

} // namespace

void writeReport(const Session& session, const std::vector<CharacterProfile>& profiles,
                 const std::filesystem::path& output, const std::vector<std::string>& monsters,
                 const std::vector<std::filesystem::path>& inputs,
                 const std::filesystem::path& targets) {
    if (profiles.size() > kMostHeatMapProfiles)
        throw CliError("report takes at most " + std::to_string(kMostHeatMapProfiles) +
                       " profiles, " + std::to_string(profiles.size()) +
                       " given: a heat map of more rows cannot be read (balance takes any number)");
    std::optional<TargetBands> bands;
    if (!targets.empty()) {
        try {
            bands = targetsFromCsv(readInputFile(targets), targets.string(), profiles);
        } catch (const DataError& error) {
            throw CliError(error.what());
        }
    }
    const GameData data = loadGameData(session.folder);
    std::vector<int> named;
    for (const std::string& monster : monsters)
        named.push_back(monsterNamed(data.monsters, monster));
    const GamePictures pictures = loadGamePictures(session.folder);
    const CheckReport check = checkGameFiles(session.folder);
    if (writeOutput(
            session, output,
            [&](std::ostream& out) {
                ReportWriter(out, data, pictures, profiles, named, check, bands).write();
            },
            {}, inputs))
        session.out << "wrote " << shownPath(output) << ": " << data.monsters.size()
                    << " monsters, " << data.encounters.size() << " maps, " << profiles.size()
                    << (profiles.size() == 1 ? " profile" : " profiles") << '\n';
}

} // namespace valmor::cli
