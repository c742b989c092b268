#include "app/status_bar.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(StatusBar, PanelsKeepTheirWidthsAndTextsAndANoticeGivesItsPanelBack)
{
    TStatusBar bar;
    bar.resize(600, 19);
    bar.AddPanel(50, "LOG");
    bar.AddPanel(250, "vendor \xD6\xF7\xD2\xB3");
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    EXPECT_EQ(bar.PanelCount(), 2);
    EXPECT_EQ(bar.PanelWidth(0), 50);
    EXPECT_EQ(bar.PanelWidth(1), 250);
    EXPECT_EQ(bar.PanelText(1), "vendor \xD6\xF7\xD2\xB3");
    bar.SetPanelText(0, "AD2");
    EXPECT_EQ(bar.PanelText(0), "AD2");
    bar.ShowNotice(1, "first", std::chrono::milliseconds(30));
    bar.ShowNotice(1, "second notice", std::chrono::milliseconds(30));
    EXPECT_EQ(bar.PanelText(1), "second notice");
    EXPECT_EQ(bar.toolTip(), "second notice");
    EXPECT_TRUE(QTest::qWaitFor([&bar] { return bar.PanelText(1) == "vendor \xD6\xF7\xD2\xB3"; }, 5000));
    EXPECT_TRUE(bar.toolTip().isEmpty());
}

TEST(StatusBar, AClickOnAPanelOrTheFreeSpaceIsAClickOnTheBar)
{
    TStatusBar bar;
    bar.resize(600, 19);
    bar.AddPanel(50, "LOG");
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QSignalSpy clicked(&bar, &TStatusBar::clicked);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(590, 9));
    QWidget* panel = bar.childAt(QPoint(25, 9));
    ASSERT_NE(panel, nullptr);
    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 2);
}

}
