#pragma once

#include "grid/cell_grid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// A shown, active TCellGrid set up like the site list ("edit") or the result
// grid ("run"), with helpers that drive it through real Qt events.
class GridWidgetTest : public testing::Test
{
protected:
    void SetUp() override
    {
        grid = std::make_unique<TCellGrid>();
        grid->resize(640, 260);
    }

    // Four columns, a title row, four data rows, no goEditing in the
    // options: editing is switched on by the can-edit handler.
    void SetUpEditGrid()
    {
        grid->SetColCount(4);
        grid->SetRowCount(5);
        grid->SetFixedCols(0);
        grid->SetFixedRows(1);
        grid->SetColumnHeaders({ "name", "address", "query", "status" });
        const int widths[] = { 86, 193, 224, 51 };
        for (int col = 0; col < 4; ++col)
            grid->SetColWidths(col, widths[col]);
        grid->SetOptions(
            { goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goColSizing });
        grid->SetMultilinecells(true);
        grid->MouseActions.DirectEdit = true;
        setNavigation();
        grid->OnCanEditCell = [this](QObject*, int, int, bool& CanEdit) { CanEdit = !locked; };
        show();
    }

    // Five columns, a title row, one data row, goEditing on, check boxes in
    // column 4 and only there editable, links shown.
    void SetUpRunGrid()
    {
        grid->SetColCount(5);
        grid->SetRowCount(2);
        grid->SetFixedCols(0);
        grid->SetFixedRows(1);
        const int widths[] = { 30, 60, 178, 250, 77 };
        for (int col = 0; col < 5; ++col)
            grid->SetColWidths(col, widths[col]);
        grid->SetOptions({ goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect,
            goColSizing, goEditing });
        grid->SetURLShow(true);
        grid->MouseActions.DirectEdit = true;
        setNavigation();
        grid->OnCanEditCell = [](QObject*, int, int ACol, bool& CanEdit) { CanEdit = ACol == 4; };
        grid->SetUrlOpener([this](const QString& url) { opened.push_back(url); });
        show();
    }

    void show()
    {
        grid->show();
        QApplication::setActiveWindow(grid.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(grid.get()));
        grid->setFocus();
    }

    void setNavigation()
    {
        grid->Navigation.AllowInsertRow = true;
        grid->Navigation.AllowDeleteRow = true;
        grid->Navigation.AdvanceOnEnter = true;
        grid->Navigation.AdvanceInsert = true;
    }

    QPoint cellCenter(int col, int row) const { return grid->CellRect(col, row).center(); }

    void click(int col, int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(grid->viewport(), button, Qt::NoModifier, cellCenter(col, row));
    }

    void clickAt(QPoint pos) { QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, pos); }

    // Sends a mouse event to the viewport with the buttons held as given.
    void sendMouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, pos, grid->viewport()->mapToGlobal(pos), button, held, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &event);
    }

    void keyToGrid(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(grid.get(), static_cast<Qt::Key>(key), modifiers);
    }

    void keyToEditor(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        ASSERT_NE(grid->Editor(), nullptr);
        QTest::keyClick(grid->Editor(), static_cast<Qt::Key>(key), modifiers);
    }

    // Types text of any script, one key event per character, into widget.
    static void typeText(QWidget* widget, const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &release);
        }
    }

    // Lets deferred deletions (closed editors) happen.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    std::unique_ptr<TCellGrid> grid;
    bool locked = false;
    std::vector<QString> opened;
};
