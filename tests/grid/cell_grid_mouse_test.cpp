#include "grid_widget_fixture.h"

#include <QHelpEvent>
#include <QImage>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <set>
#include <utility>

namespace {

struct Toggle {
    int col;
    int row;
    bool state;
};

class CellGridCheckBoxes : public GridWidgetTest
{
protected:
    void SetUp() override
    {
        GridWidgetTest::SetUp();
        SetUpRunGrid();
        grid->AddRow();
        grid->AddRow();
        for (int row = 1; row < grid->RowCount(); ++row) {
            grid->SetCells(1, row, "site" + std::to_string(row));
            grid->AddCheckBox(4, row, false, false);
        }
        grid->OnCheckBoxClick = [this](QObject* Sender, int ACol, int ARow, bool State) {
            EXPECT_EQ(Sender, grid.get());
            toggles.push_back({ ACol, ARow, State });
        };
    }

    bool ticked(int col, int row) const
    {
        const TCellGraphic* box = grid->Store().Graphic(col, row);
        return box && box->CellBoolean;
    }

    std::vector<Toggle> toggles;
};

TEST_F(CellGridCheckBoxes, ClickTogglesOnlyInTheCheckBoxColumn)
{
    click(4, 2);
    ASSERT_EQ(toggles.size(), 1u);
    EXPECT_EQ(toggles[0].col, 4);
    EXPECT_EQ(toggles[0].row, 2);
    EXPECT_TRUE(toggles[0].state);
    EXPECT_TRUE(ticked(4, 2));
    EXPECT_EQ(grid->CurrentCol(), 4);
    EXPECT_EQ(grid->CurrentRow(), 2);
    EXPECT_EQ(grid->Editor(), nullptr);

    for (int col = 0; col < 4; ++col)
        click(col, 1);
    EXPECT_EQ(toggles.size(), 1u);
    EXPECT_EQ(grid->Editor(), nullptr);

    click(4, 2);
    ASSERT_EQ(toggles.size(), 2u);
    EXPECT_FALSE(toggles[1].state);
    EXPECT_FALSE(ticked(4, 2));
}

TEST_F(CellGridCheckBoxes, HandlerTickingOneBoxLeavesExactlyThatOne)
{
    grid->AddCheckBox(4, 1, true, false);
    grid->OnCheckBoxClick = [this](QObject*, int ACol, int ARow, bool State) {
        if (!State)
            return;
        for (int row = 1; row < grid->RowCount(); ++row)
            grid->AddCheckBox(ACol, row, false, false);
        grid->AddCheckBox(ACol, ARow, true, false);
    };
    click(4, 3);
    EXPECT_FALSE(ticked(4, 1));
    EXPECT_FALSE(ticked(4, 2));
    EXPECT_TRUE(ticked(4, 3));
}

TEST_F(CellGridCheckBoxes, SpaceTogglesAfterAskingTwice)
{
    std::vector<std::pair<int, bool>> asked;
    grid->OnCanEditCell = [&](QObject*, int, int ACol, bool& CanEdit) {
        asked.push_back({ ACol, CanEdit });
        CanEdit = ACol == 4;
    };
    grid->SetOptions({ goVertLine, goHorzLine });
    grid->SetCurrentCell(4, 1);
    asked.clear();
    keyToGrid(Qt::Key_Space);
    ASSERT_EQ(toggles.size(), 1u);
    EXPECT_TRUE(toggles[0].state);
    EXPECT_EQ(asked, (std::vector<std::pair<int, bool>> { { 4, false }, { 4, true } }));
}

TEST_F(CellGridCheckBoxes, RefusingHandlerBlocksTheToggle)
{
    grid->OnCanEditCell = [](QObject*, int, int, bool& CanEdit) { CanEdit = false; };
    click(4, 1);
    grid->SetCurrentCell(4, 1);
    keyToGrid(Qt::Key_Space);
    EXPECT_TRUE(toggles.empty());
    EXPECT_FALSE(ticked(4, 1));
}

TEST_F(CellGridCheckBoxes, SecondAnswerAloneCanRefuse)
{
    int calls = 0;
    grid->OnCanEditCell = [&](QObject*, int, int, bool& CanEdit) { CanEdit = ++calls % 2 == 1; };
    click(4, 1);
    EXPECT_TRUE(toggles.empty());
}

TEST_F(CellGridCheckBoxes, EnterOnABoxAdvancesToTheNextAcceptingCell)
{
    grid->SetCurrentCell(4, 1);
    keyToGrid(Qt::Key_Return);
    EXPECT_EQ(grid->CurrentCol(), 4);
    EXPECT_EQ(grid->CurrentRow(), 2);
    EXPECT_EQ(grid->Editor(), nullptr);
}

TEST_F(CellGridCheckBoxes, BoxBeyondTheColumnsIsNeverDrawnNorToggled)
{
    grid->AddCheckBox(18, 1, false, false);
    std::set<int> painted;
    grid->OnGetCellColor
        = [&](QObject*, int, int ACol, TGridDrawState, QBrush&, CellFont&) { painted.insert(ACol); };
    grid->grab();
    EXPECT_EQ(painted.count(18), 0u);
    EXPECT_EQ(painted.count(4), 1u);
    for (int i = 0; i < 10; ++i)
        keyToGrid(Qt::Key_Right);
    keyToGrid(Qt::Key_Space);
    EXPECT_FALSE(grid->Store().Graphic(18, 1)->CellBoolean);
    EXPECT_EQ(grid->CurrentCol(), 4);
}

using CellGridLinks = GridWidgetTest;

TEST_F(CellGridLinks, ClickOnALinkCellOpensItExceptCellLinks)
{
    SetUpRunGrid();
    grid->AddRow();
    grid->AddRow();
    grid->SetCells(2, 1, "http://example.com/page");
    grid->SetCells(2, 2, "CELL://3,1");
    grid->SetCells(2, 3, "example.com");
    click(2, 1);
    click(2, 2);
    click(2, 3);
    EXPECT_EQ(opened, std::vector<QString> { "http://example.com/page" });
}

TEST_F(CellGridLinks, OnlyWebAndMailLinksReachTheShell)
{
    SetUpRunGrid();
    const char* texts[] = { "file:///etc/passwd", "HTTPS://example.com/", "smb://host/share",
        "mailto:a@example.com", "javascript://%0Aalert(1)" };
    for (int row = 1; row <= 5; ++row) {
        if (row > 1)
            grid->AddRow();
        grid->SetCells(2, row, texts[row - 1]);
    }
    for (int row = 1; row <= 5; ++row)
        click(2, row);
    EXPECT_EQ(opened, (std::vector<QString> { "HTTPS://example.com/", "mailto:a@example.com" }));
}

TEST_F(CellGridLinks, LinkInFormattedTextOpensInEitherGrid)
{
    SetUpEditGrid();
    grid->SetUrlOpener([this](const QString& url) { opened.push_back(url); });
    grid->SetCells(1, 1, "<a href=\"http://a.example/\">link</a>");
    grid->SetCells(1, 2, "<a href=\"cell://1,1\">here</a>");
    const QRect first = grid->CellRect(1, 1);
    clickAt(QPoint(first.left() + 6, first.center().y()));
    const QRect second = grid->CellRect(1, 2);
    clickAt(QPoint(second.left() + 6, second.center().y()));
    EXPECT_EQ(opened, std::vector<QString> { "http://a.example/" });
}

// Number of pixels in the cell that are mostly blue.
int bluePixels(const QImage& image, QRect rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            count += colour.blue() > 200 && colour.red() < 80 && colour.green() < 80;
        }
    return count;
}

TEST_F(CellGridLinks, LinksAreDrawnBluePlainTextIsNot)
{
    SetUpRunGrid();
    grid->AddRow();
    grid->SetCells(2, 1, "http://example.com/");
    grid->SetCells(2, 2, "example.com no link");
    grid->SetCurrentCell(0, 1);
    const QImage image = grid->viewport()->grab().toImage();
    EXPECT_GT(bluePixels(image, grid->CellRect(2, 1)), 20);
    EXPECT_EQ(bluePixels(image, grid->CellRect(2, 2)), 0);
}

TEST_F(CellGridLinks, RightClickOnALinkOpensItsEditorWhenEditingIsAllowed)
{
    SetUpRunGrid();
    grid->SetCells(2, 1, "http://example.com/");
    click(2, 1, Qt::RightButton);
    EXPECT_EQ(grid->CurrentCol(), 2);
    EXPECT_EQ(grid->Editor(), nullptr);
    grid->OnCanEditCell = [](QObject*, int, int, bool& CanEdit) { CanEdit = true; };
    click(2, 1, Qt::RightButton);
    EXPECT_NE(grid->Editor(), nullptr);
    EXPECT_TRUE(opened.empty());
}

using CellGridPaint = GridWidgetTest;

TEST_F(CellGridPaint, ColourEventTakesRowFirstAndItsBrushIsUsed)
{
    SetUpEditGrid();
    std::set<std::pair<int, int>> fixedCells;
    grid->OnGetCellColor
        = [&](QObject* Sender, int ARow, int ACol, TGridDrawState AState, QBrush& ABrush, CellFont&) {
              EXPECT_EQ(Sender, grid.get());
              if (AState.Contains(gdFixed))
                  fixedCells.insert({ ARow, ACol });
              if (ARow == 2 && ACol == 1)
                  ABrush = QBrush(QColor(255, 0, 0));
          };
    std::set<std::pair<int, int>> aligned;
    grid->OnGetAlignment = [&](QObject*, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign) {
        EXPECT_EQ(HAlign, taLeftJustify);
        EXPECT_EQ(VAlign, vtaTop);
        aligned.insert({ ARow, ACol });
    };
    const QImage image = grid->viewport()->grab().toImage();
    EXPECT_EQ(fixedCells, (std::set<std::pair<int, int>> { { 0, 0 }, { 0, 1 }, { 0, 2 }, { 0, 3 } }));
    EXPECT_EQ(aligned.count({ 4, 3 }), 1u);
    EXPECT_EQ(image.pixelColor(grid->CellRect(1, 2).center()), QColor(255, 0, 0));
    EXPECT_NE(image.pixelColor(grid->CellRect(1, 3).center()), QColor(255, 0, 0));
}

TEST_F(CellGridPaint, DraggingSelectsARange)
{
    SetUpEditGrid();
    locked = true;
    sendMouse(QEvent::MouseButtonPress, cellCenter(0, 1), Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, cellCenter(1, 2), Qt::NoButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, cellCenter(2, 3), Qt::NoButton, Qt::LeftButton);
    sendMouse(QEvent::MouseButtonRelease, cellCenter(2, 3), Qt::LeftButton, Qt::NoButton);
    grid->SetSelectionColor(QColor(0, 200, 0));
    const QImage image = grid->viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(cellCenter(1, 2)), QColor(0, 200, 0));
    EXPECT_NE(image.pixelColor(cellCenter(0, 1)), QColor(0, 200, 0));
    EXPECT_NE(image.pixelColor(cellCenter(3, 2)), QColor(0, 200, 0));
    std::set<std::pair<int, int>> selected;
    grid->OnGetCellColor = [&](QObject*, int ARow, int ACol, TGridDrawState AState, QBrush&, CellFont&) {
        if (AState.Contains(gdSelected))
            selected.insert({ ACol, ARow });
    };
    grid->grab();
    EXPECT_EQ(selected.size(), 9u);
    EXPECT_EQ(selected.count({ 2, 3 }), 1u);
    EXPECT_EQ(selected.count({ 3, 3 }), 0u);
    EXPECT_EQ(grid->CurrentCol(), 0);
    EXPECT_EQ(grid->CurrentRow(), 1);
}

TEST_F(CellGridPaint, DraggingAHeaderBorderSizesTheColumn)
{
    SetUpEditGrid();
    const QRect title = grid->CellRect(0, 0);
    const QPoint border(title.right() + 1, title.center().y());
    sendMouse(QEvent::MouseButtonPress, border, Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, border + QPoint(30, 0), Qt::NoButton, Qt::LeftButton);
    sendMouse(QEvent::MouseButtonRelease, border + QPoint(30, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(grid->ColWidths(0), 86 + 30);
    EXPECT_EQ(grid->CellRect(1, 0).left(), 86 + 30);

    grid->SetOptions({ goVertLine });
    sendMouse(QEvent::MouseButtonPress, QPoint(86 + 30, 5), Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, QPoint(86 + 60, 5), Qt::NoButton, Qt::LeftButton);
    sendMouse(QEvent::MouseButtonRelease, QPoint(86 + 60, 5), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(grid->ColWidths(0), 86 + 30);
}

TEST_F(CellGridPaint, AutoSizeFitsTheWidestContent)
{
    SetUpEditGrid();
    grid->SetCells(1, 3, "a rather long address text");
    grid->AddCheckBox(2, 2, false, false);
    grid->AutoSizeColumns(false, 4);
    const QFontMetrics metrics(grid->Font());
    EXPECT_GE(grid->ColWidths(1), metrics.horizontalAdvance("a rather long address text") + 4);
    EXPECT_LT(grid->ColWidths(1), metrics.horizontalAdvance("a rather long address text") + 20);
    EXPECT_GE(grid->ColWidths(2), 15 + 4);
    grid->SetCells(3, 0, "");
    grid->AutoSizeColumns(false, -100);
    EXPECT_EQ(grid->ColWidths(3), 10);
}

TEST_F(CellGridPaint, ImagesNeedAnImageList)
{
    SetUpEditGrid();
    grid->AddImageIdx(3, 1, 0, haBeforeText, vaTop);
    EXPECT_EQ(grid->Store().Graphic(3, 1), nullptr);
    QPixmap green(16, 16);
    green.fill(Qt::green);
    grid->SetGridImages({ green });
    grid->AddImageIdx(3, 1, 0, haBeforeText, vaTop);
    ASSERT_NE(grid->Store().Graphic(3, 1), nullptr);
    const QImage image = grid->viewport()->grab().toImage();
    const QRect cell = grid->CellRect(3, 1);
    EXPECT_EQ(image.pixelColor(cell.left() + 2 + 8, cell.top() + 1 + 8), QColor(Qt::green));
}

using CellGridHints = GridWidgetTest;

TEST_F(CellGridHints, HintShowsWhatTheHandlerReturnsForEachCell)
{
    SetUpEditGrid();
    grid->SetCells(0, 1, "name");
    grid->SetCells(2, 1, "<a href=\"http://my.example/\">my site</a>");
    std::vector<std::pair<int, int>> asked;
    grid->OnGridHint = [&](QObject*, int ARow, int ACol, Text& hintstr) {
        asked.push_back({ ARow, ACol });
        EXPECT_EQ(hintstr, "");
        const Text text = grid->Cells(ACol, ARow);
        if (!text.empty())
            hintstr = ACol == 2 ? text : Text("\xB9\xAB\xCB\xBE\xC3\xFB\xB3\xC6"); // 公司名称
    };
    const auto rest = [&](int col, int row) {
        const QPoint pos = cellCenter(col, row);
        QHelpEvent help(QEvent::ToolTip, pos, grid->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(grid->viewport(), &help);
    };
    const auto shownText = [] { return QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText(); };
    rest(0, 1);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(shownText(), QString::fromUtf8("\xE5\x85\xAC\xE5\x8F\xB8\xE5\x90\x8D\xE7\xA7\xB0"));
    rest(2, 1);
    EXPECT_EQ(shownText(), "<a href=\"http://my.example/\">my site</a>");
    rest(1, 1);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 5000));
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>> { { 1, 0 }, { 1, 2 }, { 1, 1 } }));
}

}
