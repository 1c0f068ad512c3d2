// The HTML report in a real browser: headless Chromium opens it offline, and its DOM and a
// screenshot show every part drawn.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include <QImage>

#include <sys/wait.h>

#include "cli_fixture.h"
#include "demo/tables.h"

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

// The demo files and the demo character progression.
class ReportBrowserTest : public DemoDirTest {
protected:
    void SetUp() override { demo::writeDemoData(dir_, false, true); }
};

TEST_F(ReportBrowserTest, ChromiumShowsEveryCardRowAndBar) {
    ASSERT_EQ(shell("command -v " + chromium() + " >/dev/null"), 0)
        << chromium() << " is missing; scripts/install-deps.sh installs Debian's chromium";
    // The README's example: the demo data and its character progression.
    ASSERT_EQ(shell(std::string(VALMOR_DATA_EXE) + " -C " + quoted(dir_) + " report --characters " +
                    quoted(file(demo::kCharactersFileName)) + " -o " + quoted(file("report.html")) +
                    " 2>" + quoted(file("err.txt"))),
              0)
        << readText(file("err.txt"));

    // A fresh profile and home, no network, nothing from outside the file.
    const std::filesystem::path profile = file("browser");
    const std::string browser =
        "HOME=" + quoted(profile) + " XDG_CONFIG_HOME=" + quoted(profile) +
        " XDG_CACHE_HOME=" + quoted(profile) + ' ' + chromium() +
        " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
        " --disable-background-networking --disable-component-update --disable-sync"
        " --user-data-dir=" +
        quoted(profile) + " --window-size=1200,1600 --screenshot=" + quoted(file("shot.png")) +
        " --dump-dom file://" + file("report.html").string() + " >" + quoted(file("dom.html")) +
        " 2>" + quoted(file("browser.txt"));
    ASSERT_EQ(shell(browser), 0) << readText(file("browser.txt"));

    const std::string dom = readText(file("dom.html"));
    EXPECT_EQ(count(dom, "<article class=\"card\""), 57u) << "one bestiary card per monster";
    EXPECT_EQ(count(dom, "<tr class=\"map-row\">"), 268 * 20u) << "one row per map and profile";
    const std::size_t chart = dom.find("<svg id=\"damage-chart\"");
    ASSERT_NE(chart, std::string::npos);
    const std::string bars = dom.substr(chart, dom.find("</svg>", chart) - chart);
    EXPECT_EQ(count(bars, "<rect class=\"bar "), 268u);
    EXPECT_NE(dom.find("<svg id=\"heat-map\""), std::string::npos);

    const QImage shot(QString::fromStdString(file("shot.png").string()));
    ASSERT_FALSE(shot.isNull()) << readText(file("browser.txt"));
    EXPECT_EQ(shot.size(), QSize(1200, 1600));
    std::set<QRgb> colours;
    bool unbeatableBars = false;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2) {
            const QRgb pixel = shot.pixel(x, y) & 0xFFFFFF;
            colours.insert(pixel);
            unbeatableBars = unbeatableBars || pixel == 0x6C3483;
        }
    }
    EXPECT_GT(colours.size(), 50u) << "the screenshot is nearly blank";
    EXPECT_TRUE(unbeatableBars) << "no chart bar in the verdict colour for unbeatable maps";
}

} // namespace
} // namespace valmor::test
