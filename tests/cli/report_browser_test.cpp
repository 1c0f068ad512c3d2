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

    // Runs the browser on the report with `options`, with a fresh profile and home, no
    // network, nothing from outside the file; standard output goes to `output`.
    int browser(const std::string& options, const std::filesystem::path& output = "/dev/null") {
        const std::filesystem::path profile = file("browser");
        return shell("HOME=" + quoted(profile) + " XDG_CONFIG_HOME=" + quoted(profile) +
                     " XDG_CACHE_HOME=" + quoted(profile) + ' ' + chromium() +
                     " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                     " --disable-background-networking --disable-component-update --disable-sync"
                     " --user-data-dir=" +
                     quoted(profile) + ' ' + options + " file://" + file("report.html").string() +
                     " >" + quoted(output) + " 2>" + quoted(file("browser.txt")));
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

} // namespace
} // namespace valmor::test
