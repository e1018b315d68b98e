#include "draw/GdiDraw.h"
#include "platform/Gdi.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A white 32-bit surface selected into a memory context of its own, as the controls
// draw on.
class Surface {
public:
    Surface(std::int32_t width, std::int32_t height)
        : dc_(gdi::CreateCompatibleDC(0)), bitmap_(gdi::CreateCompatibleBitmap(dc_, width, height))
    {
        previous_ = gdi::SelectObject(dc_, bitmap_);
        gdi::FillBox(dc_, 0, 0, width - 1, height - 1, Qt::white);
    }
    ~Surface()
    {
        gdi::SelectObject(dc_, previous_);
        gdi::DeleteObject(bitmap_);
        gdi::DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    gdi::HDC hdc() const { return dc_; }
    QImage Image() const { return gdi::ImageOf(bitmap_); }

private:
    gdi::HDC dc_;
    gdi::HBITMAP bitmap_;
    gdi::HBITMAP previous_ = 0;
};

// The picture as rows of characters: '.' white, 'o' outline (red), 'f' fill (blue).
std::vector<std::string> Map(const Surface& picture)
{
    const QImage image = picture.Image();
    std::vector<std::string> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFF;
            row += p == 0xFFFFFF ? '.' : p == 0xFF0000 ? 'o' : p == 0x0000FF ? 'f' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(GdiDraw, RoundRectAndBoxCoverage)
{
    gdi::DrawState state;
    state.foreColor = QColor(255, 0, 0);
    state.fillColor = QColor(0, 0, 255);
    state.fillStyle = gdi::FillStyle::Solid;

    Surface rounded(9, 7);
    ASSERT_TRUE(gdi::RoundRect(rounded.hdc(), state, 0, 0, 9, 7, 5, 5));
    const std::vector<std::string> expected = {
        "..ooooo..", ".offfffo.", "offfffffo", "offfffffo", "offfffffo", ".offfffo.", "..ooooo..",
    };
    EXPECT_EQ(Map(rounded), expected);

    state.fillStyle = gdi::FillStyle::Hollow;
    Surface box(5, 4);
    ASSERT_TRUE(gdi::Box(box.hdc(), state, 4, 3, 0, 0, QColor(255, 0, 0)));
    EXPECT_EQ(Map(box), (std::vector<std::string>{"ooooo", "o...o", "o...o", "ooooo"}));

    // Clipped, not failing, at the edges; false without a bitmap.
    EXPECT_TRUE(gdi::FillBox(box.hdc(), -5, -5, 1, 0, QColor(0, 0, 255)));
    EXPECT_EQ(Map(box)[0], "ffooo");
    EXPECT_FALSE(gdi::FillBox(gdi::HDC{4242}, 0, 0, 1, 1, Qt::red));
}

TEST(GdiDraw, PrintMovesTheTextPosition)
{
    Surface picture(100, 30);
    gdi::DrawState state;
    state.currentX = 3;
    state.currentY = 2;
    const double width = gdi::TextWidth(picture.hdc(), state, QStringLiteral("Hallo"));
    ASSERT_GT(width, 0);
    ASSERT_TRUE(gdi::Print(picture.hdc(), state, QStringLiteral("Hallo")));
    EXPECT_DOUBLE_EQ(state.currentX, 3 + width);
    EXPECT_DOUBLE_EQ(state.currentY, 2);
    EXPECT_NE(picture.Image().copy(3, 2, static_cast<int>(width), 10),
              Surface(100, 30).Image().copy(3, 2, static_cast<int>(width), 10));
}

} // namespace
