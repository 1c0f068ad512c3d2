// The HTML report in a real browser: headless Chromium opens it offline, and its DOM and a
// screenshot show every part drawn; a probe script reads the text and colours its cells
// show, to hold them against what balance says of the same maps.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include <QByteArray>
#include <QColor>
#include <QImage>

#include <sys/wait.h>

#include "balance/balance_colours.h"
#include "balance/balance_text.h"
#include "balance/character_profiles.h"
#include "balance/targets.h"
#include "cli_fixture.h"
#include "demo/tables.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/tables/csv.h"

namespace valmor::test {
namespace {

// The browser the tests drive: VALMOR_CHROMIUM, or Debian's chromium on the PATH.
std::string chromium() {
    const char* chosen = std::getenv("VALMOR_CHROMIUM");
    return chosen != nullptr && *chosen != '\0' ? chosen : "chromium";
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

int shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

bool haveChromium() {
    return shell("command -v " + chromium() + " >/dev/null") == 0;
}

// Runs the browser on `page` in `dir` with `options`, with a fresh profile and home, no
// network, nothing from outside the file; standard output goes to `output`, standard error
// to browser.txt.
int runChromium(const std::filesystem::path& dir, const std::filesystem::path& page,
                const std::string& options, const std::filesystem::path& output) {
    const std::filesystem::path profile = dir / "browser";
    return shell("HOME=" + quoted(profile) + " XDG_CONFIG_HOME=" + quoted(profile) +
                 " XDG_CACHE_HOME=" + quoted(profile) + ' ' + chromium() +
                 " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                 " --disable-background-networking --disable-component-update --disable-sync"
                 " --user-data-dir=" +
                 quoted(profile) + ' ' + options + " file://" + page.string() + " >" +
                 quoted(output) + " 2>" + quoted(dir / "browser.txt"));
}

// The demo files and the demo character progression, and the report of the README's
// example on them.
class ReportBrowserTest : public DemoDirTest {
protected:
    void SetUp() override {
        demo::writeDemoData(dir_, false, true);
        ASSERT_EQ(shell("command -v " + chromium() + " >/dev/null"), 0)
            << chromium() << " is missing; scripts/install-deps.sh installs Debian's chromium";
        ASSERT_EQ(shell(std::string(VALMOR_DATA_EXE) + " -C " + quoted(dir_) +
                        " report --characters " + quoted(file(demo::kCharactersFileName)) + " -o " +
                        quoted(file("report.html")) + " 2>" + quoted(file("err.txt"))),
                  0)
            << readText(file("err.txt"));
    }

    // Runs the browser on the report with `options`; standard output goes to `output`.
    int browser(const std::string& options, const std::filesystem::path& output = "/dev/null") {
        return runChromium(dir_, file("report.html"), options, output);
    }
};

TEST_F(ReportBrowserTest, ChromiumShowsEveryCardRowAndBar) {
    ASSERT_EQ(
        browser("--window-size=1280,2600 --screenshot=" + quoted(file("shot.png")) + " --dump-dom",
                file("dom.html")),
        0)
        << readText(file("browser.txt"));

    const std::string dom = readText(file("dom.html"));
    EXPECT_EQ(count(dom, "<article class=\"card\""), 57u) << "one bestiary card per monster";
    EXPECT_EQ(count(dom, "<tr class=\"map-row\">"), 268u) << "one row per map";
    EXPECT_EQ(count(dom, "<td class=\"p v-"), 268 * 20u) << "a cell per map and profile";
    const std::size_t chart = dom.find("<svg id=\"damage-chart\"");
    ASSERT_NE(chart, std::string::npos);
    const std::string bars = dom.substr(chart, dom.find("</svg>", chart) - chart);
    EXPECT_EQ(count(bars, "<rect class=\"bar "), 268u);
    EXPECT_NE(dom.find("<svg id=\"heat-map\""), std::string::npos);
    const std::size_t defeat = dom.find("<svg id=\"defeat-map\"");
    ASSERT_NE(defeat, std::string::npos);
    const std::string cells = dom.substr(defeat, dom.find("</svg>", defeat) - defeat);
    EXPECT_EQ(count(cells, "<rect "), 1 + 268 * 20u) << "a frame and a cell per map and profile";

    const QImage shot(QString::fromStdString(file("shot.png").string()));
    ASSERT_FALSE(shot.isNull()) << readText(file("browser.txt"));
    EXPECT_EQ(shot.size(), QSize(1280, 2600));
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2)
            colours.insert(shot.pixel(x, y) & 0xFFFFFF);
    }
    EXPECT_GT(colours.size(), 50u) << "the screenshot is nearly blank";
    EXPECT_TRUE(colours.contains(0x6C3483)) << "no chart bar in the colour of unbeatable maps";
    EXPECT_TRUE(colours.contains(0x7B0000)) << "no map of certain defeat in the defeat heat map";
}

TEST_F(ReportBrowserTest, PrintsInUnderFortyPages) {
    ASSERT_EQ(browser("--no-pdf-header-footer --print-to-pdf=" + quoted(file("report.pdf"))), 0)
        << readText(file("browser.txt"));
    ASSERT_EQ(shell("command -v pdfinfo >/dev/null"), 0)
        << "pdfinfo is missing; scripts/install-deps.sh installs Debian's poppler-utils";
    ASSERT_EQ(shell("pdfinfo " + quoted(file("report.pdf")) + " >" + quoted(file("info.txt"))), 0);
    const std::string info = readText(file("info.txt"));
    const std::size_t pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    const int count = std::stoi(info.substr(pages + 6));
    EXPECT_GT(count, 10) << "the report's parts are missing from the print";
    EXPECT_LT(count, 40) << "the demo report with 20 profiles prints on too many pages";
}

// Added to a copy of the report, runs once the page is laid out and leaves only what it
// read: one line per item, its fields percent-encoded and separated by blanks. The legend's
// colours; the maps table's headings, each row's map, group, experience and gold, and each
// profile cell's text, background and tooltip; each heat-map cell's tooltip and fill; the
// maps' order after two clicks on "Map" and then one on the first profile.
constexpr std::string_view kProbe = R"(<script>
(function() {
  var lines = [];
  function put() { lines.push(Array.prototype.map.call(arguments, encodeURIComponent).join(' ')); }
  function each(list, action) { Array.prototype.forEach.call(list, action); }
  each(document.querySelectorAll('.key span'), function(span) {
    put('key', span.className, getComputedStyle(span).backgroundColor);
  });
  var table = document.getElementById('maps-table');
  var headings = table.tHead.rows[0].cells;
  each(headings, function(th) { put('heading', th.innerText); });
  each(table.tBodies[0].rows, function(row) {
    var map = row.cells[0].innerText;
    put('row', map, row.cells[2].innerText, row.cells[3].innerText, row.cells[4].innerText);
    each(row.cells, function(td, column) {
      if (column >= 5)
        put('cell', map, column - 5, td.innerText, getComputedStyle(td).backgroundColor, td.title);
    });
  });
  each(document.querySelectorAll('#targets tbody tr'), function(row) {
    put('target-row', row.cells[0].innerText, row.cells[1].innerText);
  });
  ['heat-map', 'defeat-map', 'target-map'].forEach(function(id) {
    each(document.querySelectorAll('#' + id + ' rect > title'), function(title) {
      put(id, title.textContent, getComputedStyle(title.parentNode).fill);
    });
  });
  function order() {
    return Array.prototype.map.call(table.tBodies[0].rows, function(row) { return row.cells[0].innerText; }).join(',');
  }
  headings[0].click(); headings[0].click();
  put('sorted-by-map', order());
  headings[5].click();
  put('sorted-by-first-profile', order());
  document.body.innerHTML = '<pre id="probe"></pre>';
  document.getElementById('probe').textContent = lines.join('\n');
})();
</script>)";

// The probe's lines, each a list of decoded fields.
std::vector<std::vector<std::string>> probeLines(const std::string& dom) {
    const std::string start = "<pre id=\"probe\">";
    const std::size_t begin = dom.find(start);
    const std::size_t end = dom.find("</pre>", begin);
    if (begin == std::string::npos || end == std::string::npos)
        return {};
    std::vector<std::vector<std::string>> lines;
    std::istringstream text(dom.substr(begin + start.size(), end - begin - start.size()));
    for (std::string line; std::getline(text, line);) {
        std::vector<std::string> fields;
        for (std::size_t at = 0; at <= line.size();) {
            const std::size_t blank = std::min(line.find(' ', at), line.size());
            fields.push_back(QByteArray::fromPercentEncoding(
                                 QByteArray::fromStdString(line.substr(at, blank - at)))
                                 .toStdString());
            at = blank + 1;
        }
        lines.push_back(std::move(fields));
    }
    return lines;
}

// A computed colour, "rgb(r, g, b)".
RgbColour cssColour(const std::string& text) {
    RgbColour colour{-1, -1, -1};
    std::sscanf(text.c_str(), "rgb(%d, %d, %d)", &colour.red, &colour.green, &colour.blue);
    return colour;
}

std::string colourText(const RgbColour& c) {
    return "rgb(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " +
           std::to_string(c.blue) + ")";
}

// Within one step per channel: the browser rounds HSL to whole steps, and balance gives
// the shares to six digits.
bool nearlyEqual(const RgbColour& a, const RgbColour& b) {
    return std::abs(a.red - b.red) <= 1 && std::abs(a.green - b.green) <= 1 &&
           std::abs(a.blue - b.blue) <= 1;
}

RgbColour damageShareColour(double percent) {
    const QColor colour = QColor::fromHslF(static_cast<float>(damageShareHue(percent) / 360),
                                           static_cast<float>(kDamageSaturation),
                                           static_cast<float>(kDamageLightness));
    return {colour.red(), colour.green(), colour.blue()};
}

double number(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The short forms of a share that balance gives to six significant digits: the value
// rounded there may sit on the short form's rounding edge, which the page's full value
// passes on either side.
std::set<std::string> shortPercents(const std::string& text) {
    const double value = number(text);
    const double step =
        value == 0 ? 0 : 0.5 * std::pow(10.0, std::floor(std::log10(std::abs(value))) - 5);
    return {shortPercent(value - step), shortPercent(value), shortPercent(value + step)};
}

Verdict verdictNamed(std::string_view name) {
    for (int v = 0; v <= static_cast<int>(Verdict::Empty); ++v) {
        if (verdictName(static_cast<Verdict>(v)) == name)
            return static_cast<Verdict>(v);
    }
    ADD_FAILURE() << "no verdict is named " << name;
    return Verdict::Error;
}

// One row of balance's table: a map against a profile.
struct BalanceRow {
    std::string group, exp, gold, damage, defeat;
    std::string verdict; // with its problem, as balance writes it
    std::string verdictWord() const { return verdict.substr(0, verdict.find(' ')); }
    bool known() const { return !damage.empty(); }
};

// balance's CSV table by map and profile, and the profiles in their order.
struct BalanceTable {
    std::vector<std::string> profiles;
    std::map<std::pair<int, std::string>, BalanceRow> rows;
};

BalanceTable balanceTable(const std::string& csv) {
    const auto column = [](std::string_view name) {
        return static_cast<std::size_t>(std::ranges::find(kMapColumns, name) - kMapColumns.begin());
    };
    std::istringstream in(csv);
    tables::TextStream stream(in, "balance.csv");
    tables::CsvReader reader(stream);
    std::vector<tables::Cell> cells;
    reader.next(cells); // the header
    BalanceTable table;
    while (reader.next(cells)) {
        const auto text = [&](std::string_view name) { return cells.at(column(name)).text; };
        const int map = std::stoi(text("map"));
        if (map == 1)
            table.profiles.push_back(text("profile"));
        table.rows[{map, text("profile")}] = {text("group"),      text("exp"),
                                              text("gold"),       text("damage_pct"),
                                              text("defeat_pct"), text("verdict")};
    }
    return table;
}

// What differs, counted, with the first few shown.
class Differences {
public:
    void add(const std::string& where, const std::string& shown, const std::string& expected) {
        addOneOf(where, shown, {expected});
    }
    void addOneOf(const std::string& where, const std::string& shown,
                  const std::set<std::string>& expected) {
        if (expected.contains(shown))
            return;
        if (++count_ <= 8) {
            text_ += where + ": shows \"" + shown + "\", expected";
            for (const std::string& text : expected)
                text_ += " \"" + text + "\"";
            text_ += '\n';
        }
    }
    int count() const { return count_; }
    const std::string& text() const { return text_; }

private:
    int count_ = 0;
    std::string text_;
};

// The demo files with the demo progression; map 2 holds only a monster whose level makes
// the calculator divide by zero and map 3 no monster, so that every verdict shows.
class ReportCellsTest : public DemoDirTest {
protected:
    void SetUp() override {
        if (!haveChromium())
            GTEST_SKIP() << chromium() << " is missing, so the page cannot be read as shown; "
                         << "scripts/install-deps.sh installs Debian's chromium";
        demo::writeDemoData(dir_, false, true);
        MonsterRecord broken = readMonsterRecord(file(kMonsterFileName), 0);
        broken.level = 100;
        writeMonsterRecord(file(kMonsterFileName), 57, broken);
        writeEncounterRecord(file(kEncounterFileName), 2, {{57, 0, 0, 0, 0}, {1}, {1}});
        writeEncounterRecord(file(kEncounterFileName), 3, {});
    }
};

TEST_F(ReportCellsTest, CellsShowWhatBalanceSaysInTheColoursOfTheirNumbers) {
    const std::string characters = file(demo::kCharactersFileName).string();
    const ToolRun balance = runTool({"-C", dir_.string(), "balance", "--characters", characters});
    ASSERT_EQ(balance.status, 0) << balance.err;
    const BalanceTable expected = balanceTable(balance.out);
    ASSERT_EQ(expected.profiles.size(), 20u);
    const ToolRun report =
        runTool({"-C", dir_.string(), "report", "--characters", characters, "--targets",
                 file(demo::kTargetsFileName).string(), "-o", file("report.html").string()});
    ASSERT_EQ(report.status, 0) << report.err;
    std::string page = readText(file("report.html"));
    page.insert(page.rfind("</body>"), kProbe);
    writeText(file("probe.html"), page);
    ASSERT_EQ(runChromium(dir_, file("probe.html"),
                          "--run-all-compositor-stages-before-draw --virtual-time-budget=10000 "
                          "--dump-dom",
                          file("dom.html")),
              0)
        << readText(file("browser.txt"));
    const auto lines = probeLines(readText(file("dom.html")));
    ASSERT_FALSE(lines.empty()) << "the probe did not run: " << readText(file("browser.txt"));

    const std::size_t profiles = expected.profiles.size();
    std::map<std::string, std::vector<std::vector<std::string>>> shown;
    for (const auto& line : lines)
        shown[line.front()].push_back(line);
    const auto row = [&](std::size_t map, std::size_t p) -> const BalanceRow& {
        return expected.rows.at({static_cast<int>(map), expected.profiles.at(p)});
    };

    // The legend's colours: the unknown verdicts' are the project's.
    std::map<std::string, RgbColour> legend;
    for (const auto& line : shown["key"])
        legend[line.at(1)] = cssColour(line.at(2));
    ASSERT_EQ(legend.size(), 6u);
    for (const Verdict verdict : {Verdict::Unbeatable, Verdict::Error, Verdict::Empty})
        EXPECT_EQ(legend["v-" + std::string(verdictName(verdict))], unknownVerdictColour(verdict))
            << verdictName(verdict);

    // The maps table: a heading per profile, a row per map in order, a cell per profile
    // with that profile's numbers on the legend's colour of its verdict.
    const auto& headings = shown["heading"];
    ASSERT_EQ(headings.size(), 5 + profiles);
    for (std::size_t p = 0; p < profiles; ++p)
        EXPECT_EQ(headings[5 + p].at(1), expected.profiles[p]);
    ASSERT_EQ(shown["row"].size(), std::size_t{kMapCount});
    ASSERT_EQ(shown["cell"].size(), kMapCount * profiles);
    Differences table;
    for (std::size_t m = 0; m < shown["row"].size(); ++m) {
        const auto& line = shown["row"][m];
        table.add("row " + std::to_string(m + 1), line.at(1), std::to_string(m + 1));
        for (std::size_t p = 0; p < profiles; ++p) {
            const BalanceRow& b = row(m + 1, p);
            const std::string where = "map " + std::to_string(m + 1) + ", " + expected.profiles[p];
            table.add(where + ", group, exp, gold",
                      line.at(2) + ',' + line.at(3) + ',' + line.at(4),
                      b.group + ',' + b.exp + ',' + b.gold);
        }
    }
    for (const auto& line : shown["cell"]) {
        const std::size_t map = std::stoul(line.at(1)), p = std::stoul(line.at(2));
        const BalanceRow& b = row(map, p);
        const std::string where = "map " + line.at(1) + ", " + expected.profiles.at(p);
        // Without the soft hyphen of "unbeat-able", which shows only at a line break.
        std::string text = line.at(3);
        for (auto at = text.find("\u00AD"); at != std::string::npos; at = text.find("\u00AD"))
            text.erase(at, 2);
        const std::size_t lineEnd = text.find('\n');
        if (b.known() && lineEnd != std::string::npos) {
            table.addOneOf(where + ", damage", text.substr(0, lineEnd), shortPercents(b.damage));
            table.addOneOf(where + ", defeat", text.substr(lineEnd + 1), shortPercents(b.defeat));
        } else {
            table.add(where + ", text", text, b.known() ? "two shares" : b.verdictWord());
        }
        table.add(where + ", background", colourText(cssColour(line.at(4))),
                  colourText(legend["v-" + b.verdictWord()]));
        table.add(where + ", tooltip", line.at(5),
                  expected.profiles[p] + ": " +
                      (b.known() ? b.damage + "% damage, " + b.defeat + "% defeat, " : "") +
                      b.verdict);
    }
    EXPECT_EQ(table.count(), 0) << table.text();

    // The heat maps: every map and profile once, coloured by the project's colour of its
    // damage share or defeat chance.
    for (const std::string heatMap : {"heat-map", "defeat-map"}) {
        SCOPED_TRACE(heatMap);
        const bool defeat = heatMap == "defeat-map";
        std::set<std::pair<std::size_t, std::string>> cells;
        Differences differences;
        for (const auto& line : shown[heatMap]) {
            const std::string& title = line.at(1);
            const std::size_t comma = title.find(", "), colon = title.find(": ", comma);
            ASSERT_TRUE(title.starts_with("map ") && colon != std::string::npos) << title;
            const std::size_t map = std::stoul(title.substr(4, comma - 4));
            const std::string profile = title.substr(comma + 2, colon - comma - 2);
            cells.insert({map, profile});
            const BalanceRow& b = expected.rows.at({static_cast<int>(map), profile});
            const Verdict verdict = verdictNamed(b.verdictWord());
            differences.add(title + ", tooltip", title,
                            title.substr(0, colon + 2) +
                                (!b.known() ? ""
                                 : defeat   ? b.defeat + "% defeat, "
                                            : b.damage + "% damage, ") +
                                b.verdictWord());
            const RgbColour wanted = !b.known() ? unknownVerdictColour(verdict)
                                     : defeat   ? defeatColour(number(b.defeat))
                                                : damageShareColour(number(b.damage));
            const RgbColour fill = cssColour(line.at(2));
            differences.add(title + ", fill", colourText(fill),
                            colourText(nearlyEqual(fill, wanted) ? fill : wanted));
        }
        EXPECT_EQ(shown[heatMap].size(), kMapCount * profiles);
        EXPECT_EQ(cells.size(), kMapCount * profiles);
        EXPECT_EQ(differences.count(), 0) << differences.text();
    }

    // The target heat map: each cell in the colour of where balance's chance of defeat
    // stands against its band, and the cells outside their band listed per map.
    const TargetBands bands =
        targetsFromCsv(demo::targetsCsvText(), "targets.csv",
                       profilesFromCsv(readText(file(demo::kCharactersFileName)), "characters"));
    Differences targets;
    std::size_t outside = 0;
    for (const auto& line : shown["target-map"]) {
        const std::string& title = line.at(1);
        const std::size_t comma = title.find(", "), colon = title.find(": ", comma);
        const std::size_t map = std::stoul(title.substr(4, comma - 4));
        const std::string profile = title.substr(comma + 2, colon - comma - 2);
        const BalanceRow& b = expected.rows.at({static_cast<int>(map), profile});
        MapOutcome outcome;
        outcome.verdict = verdictNamed(b.verdictWord());
        if (b.known())
            outcome.defeatPercent = number(b.defeat);
        const std::size_t p = static_cast<std::size_t>(
            std::ranges::find(expected.profiles, profile) - expected.profiles.begin());
        const auto& band = bands.band({map - 1, p});
        const TargetStatus status = targetStatus(band, outcome);
        outside += missesBand(status);
        targets.add(title + ", fill", colourText(cssColour(line.at(2))),
                    colourText(targetColour(status, band ? distanceOutside(*band, outcome) : 0)));
        targets.add(title + ", band", title.substr(title.rfind(", ") + 2),
                    band ? "target " + bandText(*band) : "no band");
    }
    EXPECT_EQ(shown["target-map"].size(), kMapCount * profiles);
    EXPECT_EQ(targets.count(), 0) << targets.text();
    std::size_t listed = 0;
    for (const auto& line : shown["target-row"])
        listed += static_cast<std::size_t>(std::ranges::count(line.at(2), ';')) + 1;
    EXPECT_EQ(listed, outside);
    EXPECT_GT(outside, 0u);

    // Sorting: by map, down on the second click; by the first profile's defeat chance,
    // the empty map first and the maps without a chance last.
    std::string down;
    for (int m = kMapCount; m >= 1; --m)
        down += std::to_string(m) + (m > 1 ? "," : "");
    ASSERT_EQ(shown["sorted-by-map"].size(), 1u);
    EXPECT_EQ(shown["sorted-by-map"][0].at(1), down);
    ASSERT_EQ(shown["sorted-by-first-profile"].size(), 1u);
    std::vector<double> keys;
    std::istringstream order(shown["sorted-by-first-profile"][0].at(1));
    for (std::string map; std::getline(order, map, ',');) {
        const BalanceRow& b = expected.rows.at({std::stoi(map), expected.profiles[0]});
        keys.push_back(b.known()                         ? number(b.defeat)
                       : b.verdictWord() == "empty"      ? -1
                       : b.verdictWord() == "unbeatable" ? 1000
                                                         : 1001);
    }
    EXPECT_EQ(keys.size(), std::size_t{kMapCount});
    EXPECT_TRUE(std::ranges::is_sorted(keys));
}

} // namespace
} // namespace valmor::test
