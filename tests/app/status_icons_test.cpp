#include "app/status_icons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Counts the pixels of an icon that are mostly of one colour.
int pixelsLike(const QPixmap& icon, bool (*like)(QColor))
{
    const QImage image = icon.toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += like(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool opaque(QColor c) { return c.alpha() > 200; }
bool green(QColor c) { return opaque(c) && c.green() > 100 && c.red() < 80 && c.blue() < 80; }
bool white(QColor c) { return opaque(c) && c.red() > 240 && c.green() > 240 && c.blue() > 240; }
bool darkRed(QColor c)
{
    return opaque(c) && c.red() > 90 && c.red() < 180 && c.green() < 60 && c.blue() < 60;
}
bool brightRed(QColor c) { return opaque(c) && c.red() > 180 && c.green() < 60 && c.blue() < 60; }

TEST(StatusIcons, ThreePicturesInStatusOrderOnATransparentGround)
{
    const std::vector<QPixmap> icons = StatusIcons::Create();
    ASSERT_EQ(icons.size(), 3u);
    for (const QPixmap& icon : icons) {
        EXPECT_EQ(icon.size(), QSize(16, 16));
        EXPECT_EQ(icon.toImage().pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(icon.toImage().pixelColor(15, 0).alpha(), 0);
    }
    EXPECT_GT(pixelsLike(icons[0], green), 10);
    EXPECT_EQ(pixelsLike(icons[0], brightRed), 0);
    EXPECT_GT(pixelsLike(icons[1], white), 40);
    EXPECT_GT(pixelsLike(icons[1], darkRed), 5);
    EXPECT_GT(pixelsLike(icons[2], brightRed), 10);
    EXPECT_EQ(pixelsLike(icons[2], green), 0);
}

}
