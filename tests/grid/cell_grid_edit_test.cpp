#include "grid/cell_grid_combo_editor.h"
#include "grid/cell_grid_text_editor.h"
#include "grid_widget_fixture.h"

#include <QAbstractItemView>
#include <QWheelEvent>

namespace {

const Text Active = "\xD5\xFD\xB3\xA3"; // 正常
const Text Paused = "\xD4\xDD\xCD\xA3"; // 暂停
const Text Dead = "\xCB\xC0\xCD\xF6"; // 死亡

CellGridTextEditor* textEditor(const TCellGrid& grid)
{
    return qobject_cast<CellGridTextEditor*>(grid.Editor());
}

CellGridComboEditor* comboEditor(const TCellGrid& grid)
{
    return qobject_cast<CellGridComboEditor*>(grid.Editor());
}

using CellGridEditing = GridWidgetTest;

TEST_F(CellGridEditing, HandlerSwitchesEditingOnForAGridWithoutIt)
{
    SetUpEditGrid();
    EXPECT_FALSE(grid->Options().Contains(goEditing));
    click(1, 2);
    ASSERT_NE(textEditor(*grid), nullptr);
    EXPECT_TRUE(grid->Options().Contains(goEditing));
    EXPECT_EQ(grid->CurrentCol(), 1);
    EXPECT_EQ(grid->CurrentRow(), 2);
}

TEST_F(CellGridEditing, RefusingHandlerKeepsEveryEditorClosed)
{
    SetUpEditGrid();
    grid->SetCells(0, 1, "kept");
    locked = true;
    click(0, 1);
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_FALSE(grid->Options().Contains(goEditing));
    keyToGrid(Qt::Key_X);
    keyToGrid(Qt::Key_Return);
    keyToGrid(Qt::Key_Backspace);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(0, 1));
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(grid->Cells(0, 1), "kept");

    locked = false;
    keyToGrid(Qt::Key_Return);
    EXPECT_NE(textEditor(*grid), nullptr);
}

TEST_F(CellGridEditing, ClickNearACellBorderOnlySelects)
{
    SetUpEditGrid();
    const QRect rect = grid->CellRect(1, 1);
    clickAt(QPoint(rect.left() + 2, rect.center().y()));
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(grid->CurrentCol(), 1);
    clickAt(QPoint(rect.left() + 5, rect.center().y()));
    EXPECT_NE(grid->Editor(), nullptr);
}

TEST_F(CellGridEditing, TagsAreRemovedWhenTheEditorOpens)
{
    SetUpEditGrid();
    grid->SetCells(0, 1, "<b>x</b>y");
    grid->SetCells(0, 2, "a<BR>b<i");
    click(0, 1);
    ASSERT_NE(textEditor(*grid), nullptr);
    EXPECT_EQ(textEditor(*grid)->toPlainText(), "xy");
    click(0, 2);
    EXPECT_EQ(grid->Cells(0, 1), "xy");
    ASSERT_NE(textEditor(*grid), nullptr);
    EXPECT_EQ(textEditor(*grid)->toPlainText(), "a\nb<i");
}

TEST_F(CellGridEditing, TypingGoesIntoTheCellAtOnceAsGbk)
{
    SetUpEditGrid();
    grid->SetCells(2, 1, "old");
    grid->SetCurrentCell(2, 1);
    typeText(grid.get(), QString::fromUtf8("n\xE4\xB8\xAD\xE1\x9A\xA0")); // n, 中, a rune GBK lacks
    ASSERT_NE(textEditor(*grid), nullptr);
    EXPECT_EQ(grid->Cells(2, 1), "n\xD6\xD0?");
}

TEST_F(CellGridEditing, EscapePutsBackTheTextTheCellHadBefore)
{
    SetUpEditGrid();
    grid->SetCells(0, 1, "<b>x</b>");
    click(0, 1);
    QTest::keyClicks(grid->Editor(), "more");
    EXPECT_EQ(grid->Cells(0, 1), "xmore");
    keyToEditor(Qt::Key_Escape);
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(grid->Cells(0, 1), "<b>x</b>");
}

TEST_F(CellGridEditing, CtrlEnterBreaksTheLineInAMultiLineGrid)
{
    SetUpEditGrid();
    click(2, 1);
    QTest::keyClicks(grid->Editor(), "first");
    keyToEditor(Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(grid->Editor(), "second");
    EXPECT_EQ(grid->Cells(2, 1), "first\r\nsecond");
    EXPECT_EQ(grid->CurrentCol(), 2);
}

TEST_F(CellGridEditing, EnterAdvancesAndTheEditorFollows)
{
    SetUpEditGrid();
    click(2, 1);
    QTest::keyClicks(grid->Editor(), "q");
    keyToEditor(Qt::Key_Return);
    EXPECT_EQ(grid->Cells(2, 1), "q");
    EXPECT_EQ(grid->CurrentCol(), 3);
    EXPECT_EQ(grid->CurrentRow(), 1);
    ASSERT_NE(textEditor(*grid), nullptr);
    keyToEditor(Qt::Key_Return);
    EXPECT_EQ(grid->CurrentCol(), 0);
    EXPECT_EQ(grid->CurrentRow(), 2);
}

TEST_F(CellGridEditing, EnterOnTheLastCellAppendsARow)
{
    SetUpEditGrid();
    std::vector<int> added;
    grid->OnAutoAddRow = [&](QObject* Sender, int ARow) {
        EXPECT_EQ(Sender, grid.get());
        added.push_back(ARow);
    };
    click(3, 4);
    QTest::keyClicks(grid->Editor(), "last");
    keyToEditor(Qt::Key_Return);
    EXPECT_EQ(grid->Cells(3, 4), "last");
    EXPECT_EQ(grid->RowCount(), 6);
    EXPECT_EQ(added, std::vector<int> { 5 });
    EXPECT_EQ(grid->CurrentCol(), 0);
    EXPECT_EQ(grid->CurrentRow(), 5);
    EXPECT_NE(textEditor(*grid), nullptr);
}

TEST_F(CellGridEditing, EnterPassesOverRefusedCells)
{
    SetUpEditGrid();
    grid->OnCanEditCell = [](QObject*, int, int ACol, bool& CanEdit) { CanEdit = ACol != 1 && ACol != 2; };
    click(0, 1);
    keyToEditor(Qt::Key_Return);
    EXPECT_EQ(grid->CurrentCol(), 3);
    EXPECT_EQ(grid->CurrentRow(), 1);
}

TEST_F(CellGridEditing, EnterEndsAfterOneAppendedRowWhenNoCellAccepts)
{
    SetUpEditGrid();
    click(0, 2);
    ASSERT_NE(grid->Editor(), nullptr);
    int asked = 0;
    grid->OnCanEditCell = [&](QObject*, int, int, bool& CanEdit) {
        ++asked;
        CanEdit = false;
    };
    int added = 0;
    grid->OnAutoAddRow = [&](QObject*, int) { ++added; };
    keyToEditor(Qt::Key_Return);
    EXPECT_EQ(added, 1);
    EXPECT_EQ(grid->RowCount(), 6);
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(grid->CurrentRow(), 5);
    EXPECT_GE(asked, 3 + 4 + 4 + 4);
}

TEST_F(CellGridEditing, InsertOnRowTwoOfFourAddsAnEmptyRowThere)
{
    SetUpEditGrid();
    for (int row = 1; row <= 4; ++row)
        grid->SetCells(0, row, "r" + std::to_string(row));
    std::vector<int> inserted;
    grid->OnAutoInsertRow = [&](QObject*, int ARow) { inserted.push_back(ARow); };
    grid->SetCurrentCell(1, 2);
    keyToGrid(Qt::Key_Insert);
    EXPECT_EQ(grid->RowCount(), 6);
    EXPECT_EQ(inserted, std::vector<int> { 2 });
    EXPECT_EQ(grid->Cells(0, 2), "");
    EXPECT_EQ(grid->Cells(0, 3), "r2");
    EXPECT_EQ(grid->Cells(0, 5), "r4");
    EXPECT_EQ(grid->CurrentRow(), 2);

    keyToGrid(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(grid->RowCount(), 6);
}

TEST_F(CellGridEditing, InsertWhileEditingKeepsTheTypedText)
{
    SetUpEditGrid();
    click(0, 2);
    QTest::keyClicks(grid->Editor(), "typed");
    keyToEditor(Qt::Key_Insert);
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(grid->Cells(0, 2), "");
    EXPECT_EQ(grid->Cells(0, 3), "typed");
}

TEST_F(CellGridEditing, DeleteOnTheOnlyDataRowEmptiesIt)
{
    SetUpEditGrid();
    grid->SetRowCount(2);
    grid->SetCells(0, 1, "a");
    grid->SetCells(3, 1, Active);
    grid->AddCheckBox(2, 1, true, false);
    grid->SetCurrentCell(0, 1);
    keyToGrid(Qt::Key_Delete);
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->Cells(0, 1), "");
    EXPECT_EQ(grid->Cells(3, 1), "");
    EXPECT_EQ(grid->Store().Graphic(2, 1), nullptr);
    EXPECT_EQ(grid->Cells(0, 0), "name");
}

TEST_F(CellGridEditing, DeleteRefusedChangesNothing)
{
    SetUpEditGrid();
    grid->SetCells(0, 2, "second");
    std::vector<int> asked;
    grid->OnCanDeleteRow = [&](QObject*, int ARow, bool& CanDelete) {
        asked.push_back(ARow);
        EXPECT_TRUE(CanDelete);
        CanDelete = false;
    };
    grid->SetCurrentCell(0, 2);
    keyToGrid(Qt::Key_Delete);
    EXPECT_EQ(asked, std::vector<int> { 2 });
    EXPECT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(grid->Cells(0, 2), "second");

    grid->OnCanDeleteRow = nullptr;
    keyToGrid(Qt::Key_Delete, Qt::AltModifier);
    EXPECT_EQ(grid->RowCount(), 5);
    keyToGrid(Qt::Key_Delete);
    EXPECT_EQ(grid->RowCount(), 4);
    EXPECT_EQ(grid->Cells(0, 2), "");
}

TEST_F(CellGridEditing, DeleteInTheEditorEditsTextAndCtrlDeleteRemovesTheRow)
{
    SetUpEditGrid();
    grid->SetCells(0, 3, "next");
    grid->SetCells(1, 2, "ab");
    click(1, 2);
    keyToEditor(Qt::Key_Home);
    keyToEditor(Qt::Key_Delete);
    EXPECT_EQ(grid->Cells(1, 2), "b");
    EXPECT_EQ(grid->RowCount(), 5);
    keyToEditor(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(grid->RowCount(), 4);
    EXPECT_EQ(grid->Cells(0, 2), "next");
}

TEST_F(CellGridEditing, KeyboardMovesKeepTheCurrentCellInView)
{
    SetUpEditGrid();
    grid->SetRowCount(10001);
    grid->SetCells(2, 10000, "bottom");
    keyToGrid(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->CurrentCol(), 3);
    EXPECT_EQ(grid->CurrentRow(), 10000);
    EXPECT_FALSE(grid->CellRect(3, 10000).isEmpty());
    keyToGrid(Qt::Key_PageUp);
    EXPECT_LT(grid->CurrentRow(), 10000);
    EXPECT_FALSE(grid->CellRect(3, grid->CurrentRow()).isEmpty());
    keyToGrid(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->CurrentCol(), 0);
    EXPECT_EQ(grid->CurrentRow(), 1);
    EXPECT_FALSE(grid->CellRect(0, 1).isEmpty());
    keyToGrid(Qt::Key_Up);
    EXPECT_EQ(grid->CurrentRow(), 1);
}

// Stored texts that a GBK round trip would change: bytes that are not GBK, a
// character cut short, and line breaks other than CR LF.
class CellGridStoredText : public GridWidgetTest, public testing::WithParamInterface<Text>
{
};

TEST_P(CellGridStoredText, KeepsItsBytesWhenOpenedAndWhenEditedElsewhere)
{
    SetUpEditGrid();
    grid->SetCells(2, 1, GetParam());
    click(2, 1);
    click(0, 2);
    EXPECT_EQ(grid->Cells(2, 1), GetParam());
    click(2, 1);
    keyToEditor(Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(grid->Editor(), "Y");
    keyToEditor(Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(grid->Editor(), "Z");
    EXPECT_EQ(grid->Cells(2, 1), "Z" + GetParam() + "\r\nY");
}

INSTANTIATE_TEST_SUITE_P(Cells, CellGridStoredText,
    testing::Values("a\x80g\xFFh", "\xE2\x80\x93", "name\xA0", "lone\rCR", "lone\nLF", "a\r\nb\rc\n\rd"));

TEST_F(CellGridEditing, EmptyingALineBetweenALoneCrAndALoneLfKeepsBothBreaks)
{
    SetUpEditGrid();
    grid->SetCells(2, 1, "a\rX\nb");
    click(2, 1);
    keyToEditor(Qt::Key_Up);
    keyToEditor(Qt::Key_Backspace);
    EXPECT_EQ(grid->Cells(2, 1), "a\r\r\nb");
}

class CellGridCombo : public GridWidgetTest
{
protected:
    void SetUp() override
    {
        GridWidgetTest::SetUp();
        SetUpEditGrid();
        grid->ClearComboString();
        for (const Text& status : { Active, Paused, Dead })
            grid->AddComboString(status);
        grid->OnGetEditorType = [](QObject*, int ACol, int, TEditorType& AEditor) {
            EXPECT_EQ(AEditor, edNormal);
            if (ACol == 3)
                AEditor = edComboList;
        };
        grid->OnComboChange
            = [this](QObject* Sender, int ACol, int ARow, int AItemIndex, const Text& ASelection) {
                  changes.push_back({ Sender, ACol, ARow, AItemIndex, ASelection });
              };
        grid->SetCells(3, 1, Paused);
    }

    struct Change {
        QObject* sender;
        int col;
        int row;
        int index;
        Text selection;
    };
    std::vector<Change> changes;
};

TEST_F(CellGridCombo, OpensWithTheCellsEntryAndReportsEveryPick)
{
    click(3, 1);
    CellGridComboEditor* combo = comboEditor(*grid);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_TRUE(changes.empty());
    keyToEditor(Qt::Key_Down);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].sender, grid.get());
    EXPECT_EQ(changes[0].col, 3);
    EXPECT_EQ(changes[0].row, 1);
    EXPECT_EQ(changes[0].index, 2);
    EXPECT_EQ(changes[0].selection, Dead);
    EXPECT_EQ(grid->Cells(3, 1), Paused);
    grid->setFocus();
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(grid->Cells(3, 1), Dead);
}

TEST_F(CellGridCombo, PickingFromTheOpenedList)
{
    click(3, 1);
    CellGridComboEditor* combo = comboEditor(*grid);
    ASSERT_NE(combo, nullptr);
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    EXPECT_NE(grid->Editor(), nullptr);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(list->window()->isVisible());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].index, 2);
    EXPECT_EQ(changes[0].selection, Dead);
    ASSERT_NE(grid->Editor(), nullptr);
    keyToEditor(Qt::Key_Return);
    EXPECT_EQ(grid->Cells(3, 1), Dead);
}

TEST_F(CellGridCombo, PickingTheEntryShownOverAnEmptyCellWritesIt)
{
    grid->SetCells(3, 2, "");
    click(3, 2);
    comboEditor(*grid)->showPopup();
    QTest::keyClick(comboEditor(*grid)->view(), Qt::Key_Return);
    EXPECT_EQ(changes.size(), 1u);
    grid->setFocus();
    EXPECT_EQ(grid->Cells(3, 2), Active);
}

TEST_F(CellGridCombo, WheelMovesOneEntryAndReportsTheListAsSender)
{
    click(3, 1);
    CellGridComboEditor* combo = comboEditor(*grid);
    ASSERT_NE(combo, nullptr);
    const QPointF pos(combo->rect().center());
    QWheelEvent down(pos, combo->mapToGlobal(pos), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &down);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].sender, combo);
    EXPECT_EQ(changes[0].index, 2);
    QApplication::sendEvent(combo, &down);
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(CellGridCombo, EnterWritesAndAdvancesEscapeRestores)
{
    click(3, 1);
    keyToEditor(Qt::Key_Up);
    keyToEditor(Qt::Key_Return);
    EXPECT_EQ(grid->Cells(3, 1), Active);
    EXPECT_EQ(grid->CurrentCol(), 0);
    EXPECT_EQ(grid->CurrentRow(), 2);

    grid->SetCells(3, 3, "unknown");
    click(3, 3);
    ASSERT_NE(comboEditor(*grid), nullptr);
    EXPECT_EQ(comboEditor(*grid)->currentIndex(), 0);
    keyToEditor(Qt::Key_Down);
    keyToEditor(Qt::Key_Escape);
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(grid->Cells(3, 3), "unknown");
    // Left without a choice, the list changes nothing either.
    click(3, 3);
    click(0, 1);
    EXPECT_EQ(grid->Cells(3, 3), "unknown");
}

TEST_F(CellGridCombo, LeftClosesAndMovesToTheNeighbour)
{
    click(3, 1);
    keyToEditor(Qt::Key_Down);
    keyToEditor(Qt::Key_Left);
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(grid->Cells(3, 1), Dead);
    EXPECT_EQ(grid->CurrentCol(), 2);
}

TEST_F(CellGridCombo, AnEmptyListLeavesTheCellAlone)
{
    grid->ClearComboString();
    click(3, 1);
    ASSERT_NE(comboEditor(*grid), nullptr);
    grid->setFocus();
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(grid->Cells(3, 1), Paused);
}

TEST_F(CellGridCombo, RowOperationsCloseTheOpenListOntoItsOwnCellFirst)
{
    const auto statuses = [this] {
        std::vector<Text> column;
        for (int row = 1; row < grid->RowCount(); ++row)
            column.push_back(grid->Cells(3, row));
        return column;
    };
    grid->SetCells(3, 2, Active);
    grid->SetCells(3, 3, Dead);
    click(3, 2);
    keyToEditor(Qt::Key_Down);
    keyToEditor(Qt::Key_Insert);
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(statuses(), (std::vector<Text> { Paused, "", Paused, Dead, "" }));
    click(3, 4);
    keyToEditor(Qt::Key_Up);
    keyToEditor(Qt::Key_Delete);
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(statuses(), (std::vector<Text> { Paused, "", Paused, "" }));
    click(3, 2);
    keyToEditor(Qt::Key_Down);
    grid->AddRow();
    EXPECT_EQ(grid->Editor(), nullptr);
    EXPECT_EQ(statuses(), (std::vector<Text> { Paused, Paused, Paused, "", "" }));
}

}
