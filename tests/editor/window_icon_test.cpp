// The desktop's SVG icon is the window icon's picture: both rendered at several sizes, they
// differ only by the renderers' anti-aliasing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <QColor>
#include <QImage>
#include <QProcess>

#include "editor/window_icon.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

struct IconRow {
    const char* name;
    int size;
    // Anti-aliasing differs most, relative to the picture, at the smallest size.
    double maxMeanDifference;
};

void PrintTo(const IconRow& row, std::ostream* out) {
    *out << row.name;
}

class WindowIconTest : public TempDirTest, public ::testing::WithParamInterface<IconRow> {
protected:
    // The SVG as rsvg-convert draws it at size x size.
    QImage renderSvg(int size) {
        const QString png = QString::fromStdString(file("icon.png").string());
        QProcess rsvg;
        rsvg.start(QStringLiteral("rsvg-convert"),
                   {QStringLiteral("-w"), QString::number(size), QStringLiteral("-h"),
                    QString::number(size), QStringLiteral("-o"), png,
                    QStringLiteral(VALMOR_ICON_SVG)});
        EXPECT_TRUE(rsvg.waitForFinished(30000)) << rsvg.errorString().toStdString();
        EXPECT_EQ(rsvg.exitCode(), 0) << rsvg.readAllStandardError().toStdString();
        return QImage(png).convertToFormat(QImage::Format_ARGB32);
    }
};

TEST_P(WindowIconTest, SvgShowsTheWindowIcon) {
    const IconRow& row = GetParam();
    const int size = row.size;
    const QImage drawn = drawWindowIcon(size).convertToFormat(QImage::Format_ARGB32);
    const QImage svg = renderSvg(size);
    ASSERT_EQ(svg.size(), drawn.size());

    // Every channel of every pixel is compared; a misplaced or missing part (an eye, the
    // fang, a wrong colour) makes whole areas differ, while anti-aliasing touches edges only.
    long long totalDifference = 0;
    int farPixels = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb a = drawn.pixel(x, y);
            const QRgb b = svg.pixel(x, y);
            const int difference = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                                   std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
            totalDifference += difference;
            if (difference > 4 * 64)
                ++farPixels;
        }
    }
    const double pixels = double(size) * size;
    EXPECT_LT(totalDifference / pixels / 4, row.maxMeanDifference) << "mean per channel";
    EXPECT_LE(farPixels, size / 16) << "pixels far apart";
}

INSTANTIATE_TEST_SUITE_P(Sizes, WindowIconTest,
                         ::testing::Values(IconRow{"Menu16", 16, 4.0}, IconRow{"Panel48", 48, 1.0},
                                           IconRow{"Large128", 128, 1.0}),
                         [](const ::testing::TestParamInfo<IconRow>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace valmor::test
