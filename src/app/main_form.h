#pragma once

#include "app/browser_pane.h"
#include "app/close_question.h"
#include "app/site_list_snapshot.h"
#include "app/vendor_site.h"
#include "base/text.h"
#include "grid/cell_grid.h"
#include "grid_store/grid_types.h"

#include <QMainWindow>
#include <QPixmap>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

class CheckRun;
class QCheckBox;
class QCloseEvent;
class QFrame;
class QSplitter;
class QTimer;
class QToolButton;
class TStatusBar;
class TWdebug;

// What the main window reaches outside itself. The program uses the
// defaults; tests put their own in, so that nothing leaves the machine and
// no modal box waits for a click.
struct MainFormOutside {
    // The vendor web server's address, "http://" + host.
    Text vendorSite = VendorSite();
    // Fetches the advertisement pages; empty for the browser panes' own fetch.
    TBrowserPane::PageLoader adLoader;
    // Opens an address in the desktop's browser; empty for the desktop's own.
    std::function<void(const QUrl&)> openUrl;
    // Asks what to do with unsaved edits on close; empty for the message box.
    std::function<CloseAnswer()> askBeforeClose;
    // Asks whether a site list that looks like UTF-8 is to be read so; empty for the message box.
    std::function<bool()> askReadAsUtf8;
};

// The main window: the site list editor EditGrid with its status icons, the
// result grid RunGrid of the check run, the CHECK, SAVE and STOP buttons, the
// lock box "锁定记录", two advertisement panes and the status bar.
//
// Creating the window builds its controls, starts the 8-second advertisement
// timer and runs FormCreate: both panes navigate to their first page, then
// the site list file "帐号.ini" is loaded from the current directory. Every
// CHECK run is recorded in the history database "linkwatch.db" of that
// directory; a database that cannot be opened or written shows a notice in
// the status bar's vendor panel for a while, and the check goes on.
// Closing the window with site list edits made since the last load or SAVE
// asks first whether to save them; otherwise it closes without a word. Handlers run on
// the GUI thread; an exception that leaves one is shown in the application's
// standard error box (ErrorBox) and the window carries on. A failing
// FormCreate ends at the failing step and the window still opens.
class Tform1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Tform1(QWidget* parent = nullptr, MainFormOutside outside = {});
    ~Tform1() override;

    // The debug window that a picked result row is shown in.
    void SetDebugWindow(TWdebug* debugWindow);
    int RunRowCount() const;
    int SelectedDebugRow() const;

    // Controls, named as the window's layout names them. Owned by the window.
    TCellGrid* EditGrid = nullptr;
    QSplitter* Splitter1 = nullptr;
    TCellGrid* RunGrid = nullptr;
    QFrame* Panel1 = nullptr;
    QToolButton* SpeedButton2 = nullptr; // CHECK
    QToolButton* SpeedButton1 = nullptr; // SAVE
    QToolButton* SpeedButton3 = nullptr; // STOP
    QCheckBox* canchg = nullptr; // 锁定记录: locks the site list against edits
    QFrame* Panel5 = nullptr;
    QFrame* Panel4 = nullptr;
    TBrowserPane* WebBrowser1 = nullptr;
    TBrowserPane* WebBrowser2 = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    // Status icons: normal, paused, dead.
    std::vector<QPixmap> ImageList1;
    // The advertisement page pair on show, 1 to 5 (0 just after the fifth).
    int AdIndex = 0;

    void FormCreate();
    void Timer1Timer();
    void StatusBar1Click();

    // Check run handlers.
    void SpeedButton2Click();
    void SpeedButton3Click();
    void RunGridCanEditCell(QObject* Sender, int ARow, int ACol, bool& CanEdit);
    void RunGridCanDeleteRow(QObject* Sender, int ARow, bool& CanDelete);
    void RunGridGetAlignment(QObject* Sender, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign);
    void RunGridAutoAddRow(QObject* Sender, int ARow);
    void RunGridCheckBoxClick(QObject* Sender, int ACol, int ARow, bool State);
    void RunGridGridHint(QObject* Sender, int ARow, int ACol, Text& hintstr);
    void RunGridGetCellColor(
        QObject* Sender, int ARow, int ACol, TGridDrawState AState, QBrush& ABrush, CellFont& AFont);

    // Site list handlers.
    void EditGridGetEditorType(QObject* Sender, int ACol, int ARow, TEditorType& AEditor);
    void EditGridCanEditCell(QObject* Sender, int ARow, int ACol, bool& CanEdit);
    void EditGridCanDeleteRow(QObject* Sender, int ARow, bool& CanDelete);
    void EditGridComboChange(QObject* Sender, int ACol, int ARow, int AItemIndex, const Text& ASelection);
    void EditGridGridHint(QObject* Sender, int ARow, int ACol, Text& hintstr);
    void EditGridGetAlignment(QObject* Sender, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign);
    void SpeedButton1Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createRunGrid();
    void createSplitter(QWidget* parent);
    void createAdPanes();
    TBrowserPane* createAdPane(QFrame*& frame, int left, int width);
    void createStatusBar();
    void recordHistory();
    bool saveBeforeClose();
    void createEditGrid();
    void configureEditGrid();
    void bindEditGridEvents();
    void createPanel1();
    QToolButton* createSpeedButton(const char* caption, int left);
    void startSiteList();
    void showStatusIcons();
    void offerUtf8Reading();

    // Wraps a handler so that an exception leaving it goes to the error box
    // instead of unwinding into the Qt code that called it (a grid event, a
    // button's or the status bar's click, the timer).
    template <typename... Args> auto guarded(void (Tform1::*handler)(Args...));

    MainFormOutside m_outside;
    std::unique_ptr<CheckRun> m_checkRun;
    // The site list as last loaded or saved.
    SiteListSnapshot m_savedList;
    // The last load skipped lines: the next SAVE first copies the file aside.
    bool m_copyBeforeSave = false;
};
