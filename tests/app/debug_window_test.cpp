#include "app/debug_window.h"
#include "app/result_grid.h"
#include "app/result_grid_layout.h"
#include "grid_store/cell_graphic.h"
#include "grid/cell_grid.h"
#include "grid/cell_grid_text.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// 调试窗口 ("debug window")
constexpr char captionAtStart[] = "\xB5\xF7\xCA\xD4\xB4\xB0\xBF\xDA";

class FakeResultSide : public TWdebug::ResultSide
{
public:
    FakeResultSide() { SetUpResultGrid(grid); }
    void SetSelectedDebugRow(int row) override { selected = row; }
    TCellGrid& ResultGrid() override { return grid; }

    TCellGrid grid;
    int selected = 3;
};

bool ticked(const TCellGrid& grid, int col, int row)
{
    const TCellGraphic* graphic = grid.Store().Graphic(col, row);
    return graphic && graphic->CellType == ctCheckBox && graphic->CellBoolean;
}

bool untickedBox(const TCellGrid& grid, int col, int row)
{
    const TCellGraphic* graphic = grid.Store().Graphic(col, row);
    return graphic && graphic->CellType == ctCheckBox && !graphic->CellBoolean;
}

class DebugWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        window.SetResultSide(&side);
        side.grid.SetRowCount(4);
        side.grid.AddCheckBox(ResultCheckBoxCol, 1, false, false);
        side.grid.AddCheckBox(ResultCheckBoxCol, 2, true, false);
    }

    FakeResultSide side;
    TWdebug window;
};

TEST_F(DebugWindowTest, StartsHiddenAsAFixedStayOnTopDialog)
{
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(QStringToCell(window.windowTitle()), captionAtStart);
    EXPECT_EQ(window.size(), QSize(895, 335));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(window.Memo1->geometry(), window.rect());
    EXPECT_FALSE(window.Memo1->isReadOnly());
    EXPECT_EQ(window.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(window.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(DebugWindowTest, ShowCentresTheWindowOnTheScreen)
{
    window.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window.frameGeometry().center() - screenCentre).manhattanLength(), 2);
}

TEST_F(DebugWindowTest, CloseBoxDropsThePickEmptiesTheTextAndUnticksEveryRow)
{
    window.Show();
    window.SetMemoText("typed\r\n");
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(side.selected, NoDebugRow);
    EXPECT_TRUE(window.MemoText().empty());
    for (int row = 1; row < 4; ++row)
        EXPECT_TRUE(untickedBox(side.grid, ResultCheckBoxCol, row)) << row;
    EXPECT_FALSE(ticked(side.grid, ResultCheckBoxCol, 2));
}

TEST_F(DebugWindowTest, ACloseRequestWhileHiddenRunsTheSameHandler)
{
    window.SetMemoText("left over\r\n");
    window.Close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(side.selected, NoDebugRow);
    EXPECT_TRUE(window.MemoText().empty());
    EXPECT_TRUE(untickedBox(side.grid, ResultCheckBoxCol, 2));
}

TEST_F(DebugWindowTest, EscapeLeavesTheWindowOpen)
{
    window.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(window.Memo1, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(side.selected, 3);
}

TEST_F(DebugWindowTest, ANewTextScrollsToItsLastLine)
{
    window.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Text transcript;
    for (int line = 0; line < 300; ++line)
        transcript += "line " + std::to_string(line) + "\r\n";
    window.SetMemoText(transcript);
    const QScrollBar* bar = window.Memo1->verticalScrollBar();
    QCoreApplication::processEvents();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(window.MemoText(), transcript);
    // Typing into the text scrolls it too, but the caret stays where it was put.
    window.Memo1->moveCursor(QTextCursor::Start);
    QTest::keyClicks(window.Memo1, "ab");
    EXPECT_EQ(window.Memo1->textCursor().position(), 2);
    EXPECT_EQ(window.MemoText(), "ab" + transcript);
}

TEST_F(DebugWindowTest, KeepsGbkTextByteForByte)
{
    // 友情链接 ("partner links")
    const Text text = "\xD3\xD1\xC7\xE9\xC1\xB4\xBD\xD3\r\n";
    window.SetMemoText(text);
    EXPECT_EQ(window.MemoText(), text);
}

}
