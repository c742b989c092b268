#pragma once

#include "base/text.h"
#include "grid/cell_grid.h"
#include "grid/grid_types.h"

#include <QMainWindow>
#include <QPixmap>
#include <vector>

class QCheckBox;
class QFrame;
class QToolButton;

// The main window: the site list editor EditGrid with its status icons, the
// SAVE button and the lock box "锁定记录" on the bottom panel.
//
// Creating the window builds its controls and runs FormCreate, which loads
// the site list file "帐号.ini" from the current directory. Handlers run on
// the GUI thread; an exception that leaves one is shown in the application's
// standard error box (ErrorBox) and the window carries on. A failing
// FormCreate ends at the failing step and the window still opens.
class Tform1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Tform1(QWidget* parent = nullptr);

    // Controls, named as the window's layout names them. Owned by the window.
    TCellGrid* EditGrid = nullptr;
    QFrame* Panel1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // SAVE
    QCheckBox* canchg = nullptr; // 锁定记录: locks the site list against edits
    // Status icons: normal, paused, dead.
    std::vector<QPixmap> ImageList1;

    void FormCreate();

    // Site list handlers.
    void EditGridGetEditorType(QObject* Sender, int ACol, int ARow, TEditorType& AEditor);
    void EditGridCanEditCell(QObject* Sender, int ARow, int ACol, bool& CanEdit);
    void EditGridCanDeleteRow(QObject* Sender, int ARow, bool& CanDelete);
    void EditGridComboChange(QObject* Sender, int ACol, int ARow, int AItemIndex, const Text& ASelection);
    void EditGridGridHint(QObject* Sender, int ARow, int ACol, Text& hintstr);
    void EditGridGetAlignment(QObject* Sender, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign);
    void SpeedButton1Click();

private:
    void createEditGrid();
    void configureEditGrid();
    void bindEditGridEvents();
    void createPanel1();
    QToolButton* createSpeedButton(const char* caption, int left);
    void startSiteList();
    void showStatusIcons();

    // Wraps a handler so that an exception leaving it goes to the error box
    // instead of unwinding through the widget that raised the event.
    template <typename... Args> auto guarded(void (Tform1::*handler)(Args...));
};
