#include "app/main_form.h"

#include "app/check_run.h"
#include "app/check_run_history.h"
#include "app/check_run_own_pages.h"
#include "app/error_box.h"
#include "app/result_grid.h"
#include "app/result_grid_layout.h"
#include "app/status_bar.h"
#include "app/status_icons.h"
#include "app/utf8_question.h"
#include "app/window_font.h"
#include "base/gbk_codec.h"
#include "check/site_list_encoding.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "history/history_store.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QPalette>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>

namespace {

// 友情链接监视器 ("reciprocal link watcher")
const char ProductTitle[] = "LinkWatch \xD3\xD1\xC7\xE9\xC1\xB4\xBD\xD3\xBC\xE0\xCA\xD3\xC6\xF7";
const char LockCaption[] = "\xCB\xF8\xB6\xA8\xBC\xC7\xC2\xBC"; // 锁定记录

// Hints of the site list columns. The query column shows the cell's own text.
const char NameHint[] = "\xB9\xAB\xCB\xBE\xC3\xFB\xB3\xC6"; // 公司名称
const char AddressHint[] = "\xCD\xF8\xD5\xBE\xB5\xD8\xD6\xB7"; // 网站地址
const char StatusHint[] = "\xD5\xCA\xBA\xC5\xB5\xB1\xC7\xB0\xB5\xC4\xD7\xB4\xCC\xAC"; // 帐号当前的状态

const std::vector<Text> EditGridTitles {
    "\xCD\xF8\xD5\xBE\xC3\xFB\xB3\xC6", // 网站名称
    "\xCD\xF8\xD5\xBE\xB5\xD8\xD6\xB7", // 网站地址
    "\xB2\xE9\xD1\xAF\xC4\xDA\xC8\xDD", // 查询内容
    "\xD7\xB4\xCC\xAC", // 状态
};
const int EditGridWidths[SiteListColCount] = { 86, 193, 224, 51 };

const std::vector<Text> Statuses { StatusNormal, StatusPaused, StatusDead };

QString fromGbk(const Text& text) { return QString::fromStdString(GbkToUtf8(text)); }

QFont verdana() { return WindowFont(QStringLiteral("Verdana")); }

// LinkWatch 官方网站 ("LinkWatch official site"): the vendor line of the status bar.
const char VendorLine[] = "LinkWatch \xB9\xD9\xB7\xBD\xCD\xF8\xD5\xBE";
// The status bar panel of the vendor line, where notices show.
const int VendorPanel = 1;
const std::chrono::seconds NoticeTime { 10 };
const int TimerInterval = 8000;
const int AdPageCount = 5;
const int EditGridHeight = 146;
const int Panel1Height = 112;
const QColor CaptionColour(128, 128, 0);
// 正在停止… ("stopping"): shown from STOP until the workers it let run have ended.
const char StoppingNotice[] = "\xD5\xFD\xD4\xDA\xCD\xA3\xD6\xB9\xA1\xAD";
const std::chrono::hours StoppingNoticeTime { 1 };
// 没有状态为“正常”的网站可检查 ("no site with the status 正常 to check")
const char NoActiveSiteNotice[]
    = "\xC3\xBB\xD3\xD0\xD7\xB4\xCC\xAC\xCE\xAA\xA1\xB0\xD5\xFD\xB3\xA3\xA1\xB1\xB5\xC4"
      "\xCD\xF8\xD5\xBE\xBF\xC9\xBC\xEC\xB2\xE9";

// "帐号.ini 中有 N 行未能读入，表格中没有它们；第一次保存前会先把原文件复制为 帐号.ini.bak"
const char SkippedLinesHead[] = "\xD5\xCA\xBA\xC5.ini \xD6\xD0\xD3\xD0 ";
const char SkippedLinesTail[] = " \xD0\xD0\xCE\xB4\xC4\xDC\xB6\xC1\xC8\xEB\xA3\xAC\xB1\xED\xB8\xF1\xD6\xD0"
                                "\xC3\xBB\xD3\xD0\xCB\xFC\xC3\xC7"
                                "\xA3\xBB\xB5\xDA\xD2\xBB\xB4\xCE\xB1\xA3\xB4\xE6\xC7\xB0\xBB\xE1\xCF\xC8\xB0"
                                "\xD1\xD4\xAD\xCE\xC4\xBC\xFE\xB8\xB4"
                                "\xD6\xC6\xCE\xAA \xD5\xCA\xBA\xC5.ini.bak";

}

template <typename... Args> auto Tform1::guarded(void (Tform1::*handler)(Args...))
{
    return [this, handler](
               Args... args) { ErrorBox::Guard([&] { (this->*handler)(std::forward<Args>(args)...); }); };
}

Tform1::Tform1(QWidget* parent, MainFormOutside outside)
    : QMainWindow(parent)
    , m_outside(std::move(outside))
{
    setWindowTitle(fromGbk(ProductTitle));
    setGeometry(260, 136, 605, 448);
    setMinimumSize(455, 430);
    setMaximumWidth(605);
    setFont(WindowFont(QStringLiteral("MS Sans Serif")));
    ImageList1 = StatusIcons::Create();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createEditGrid();
    createRunGrid();
    createSplitter(central);
    createPanel1();
    layout->addWidget(Splitter1, 1);
    layout->addWidget(Panel1);
    setCentralWidget(central);
    recordHistory();

    Timer1 = new QTimer(this);
    Timer1->setInterval(TimerInterval);
    connect(Timer1, &QTimer::timeout, this, guarded(&Tform1::Timer1Timer));
    Timer1->start();
    ErrorBox::Guard([this] { FormCreate(); });
    m_savedList = SiteListSnapshot::Of(EditGrid->Store());
    offerUtf8Reading();
}

// Workers still running find the check run gone and change nothing.
Tform1::~Tform1() = default;

void Tform1::SetDebugWindow(TWdebug* debugWindow) { m_checkRun->SetDebugWindow(debugWindow); }

int Tform1::RunRowCount() const { return m_checkRun->RunRowCount(); }

int Tform1::SelectedDebugRow() const { return m_checkRun->SelectedDebugRow(); }

// Dragging the splitter trades height between the two grids; the site list
// starts EditGridHeight high and the result grid takes the rest.
void Tform1::createSplitter(QWidget* parent)
{
    Splitter1 = new QSplitter(Qt::Vertical, parent);
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(EditGrid);
    Splitter1->addWidget(RunGrid);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({ EditGridHeight, height() - EditGridHeight - Panel1Height });
}

void Tform1::createRunGrid()
{
    RunGrid = new TCellGrid(this);
    SetUpResultGrid(*RunGrid);
    RunGrid->SetGridImages(ImageList1);
    RunGrid->OnCanEditCell = guarded(&Tform1::RunGridCanEditCell);
    RunGrid->OnGetAlignment = guarded(&Tform1::RunGridGetAlignment);
    RunGrid->OnAutoAddRow = guarded(&Tform1::RunGridAutoAddRow);
    RunGrid->OnAutoInsertRow = guarded(&Tform1::RunGridAutoAddRow);
    RunGrid->OnCheckBoxClick = guarded(&Tform1::RunGridCheckBoxClick);
    RunGrid->OnGridHint = guarded(&Tform1::RunGridGridHint);
    RunGrid->OnGetCellColor = guarded(&Tform1::RunGridGetCellColor);
    RunGrid->OnCanDeleteRow = guarded(&Tform1::RunGridCanDeleteRow);
    m_checkRun = std::make_unique<CheckRun>(*RunGrid);
    m_checkRun->SetWhenWorkersEnded([this] { StatusBar1->EndNotice(VendorPanel, StoppingNotice); });
    m_checkRun->SetWhenOneSidedCounted(
        [this](int oneSided) { StatusBar1->ShowNotice(VendorPanel, OneSidedNotice(oneSided), NoticeTime); });
}

void Tform1::createEditGrid()
{
    EditGrid = new TCellGrid(this);
    EditGrid->resize(width(), EditGridHeight);
    configureEditGrid();
    bindEditGridEvents();
}

void Tform1::configureEditGrid()
{
    ShapeSiteList(EditGrid->Store());
    EditGrid->SetColumnHeaders(EditGridTitles);
    for (int col = 0; col < SiteListColCount; ++col)
        EditGrid->SetColWidths(col, EditGridWidths[col]);
    // Editing is not among the options: the grid switches it on for every
    // cell that EditGridCanEditCell allows.
    EditGrid->SetOptions(
        { goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goColSizing });
    EditGrid->SetDefaultRowHeight(17);
    EditGrid->SetFixedRowHeight(17);
    EditGrid->SetFont(verdana());
    EditGrid->SetFixedFont(verdana());
    EditGrid->SetColor(palette().color(QPalette::Button));
    EditGrid->SetSelectionColor(palette().color(QPalette::Base));
    EditGrid->SetSelectionTextColor(palette().color(QPalette::HighlightedText));
    EditGrid->SetGridLineColor(QColor(192, 192, 192));
    EditGrid->SetGridLineWidth(1);
    EditGrid->SetMultilinecells(true);
    EditGrid->SetURLShow(false);
    EditGrid->SetVAlignment(vtaTop);
    EditGrid->SetGridImages(ImageList1);
    EditGrid->ShowHint = true;
    EditGrid->MouseActions = { .DirectEdit = true, .ColSelect = true, .RowSelect = true };
    EditGrid->Navigation = { .AllowInsertRow = true,
        .AllowDeleteRow = true,
        .AdvanceOnEnter = true,
        .AdvanceInsert = true,
        .AdvanceAuto = true,
        .AdvanceDirection = adLeftRight,
        .InsertPosition = pInsertBefore };
}

void Tform1::bindEditGridEvents()
{
    EditGrid->OnGetEditorType = guarded(&Tform1::EditGridGetEditorType);
    EditGrid->OnCanEditCell = guarded(&Tform1::EditGridCanEditCell);
    EditGrid->OnCanDeleteRow = guarded(&Tform1::EditGridCanDeleteRow);
    EditGrid->OnComboChange = guarded(&Tform1::EditGridComboChange);
    EditGrid->OnGridHint = guarded(&Tform1::EditGridGridHint);
    EditGrid->OnGetAlignment = guarded(&Tform1::EditGridGetAlignment);
}

void Tform1::createPanel1()
{
    Panel1 = new QFrame(this);
    Panel1->setFixedHeight(Panel1Height);
    SpeedButton2 = createSpeedButton("CHECK", 4);
    connect(SpeedButton2, &QToolButton::clicked, this, guarded(&Tform1::SpeedButton2Click));
    SpeedButton1 = createSpeedButton("SAVE", 76);
    connect(SpeedButton1, &QToolButton::clicked, this, guarded(&Tform1::SpeedButton1Click));
    SpeedButton3 = createSpeedButton("STOP", 152);
    connect(SpeedButton3, &QToolButton::clicked, this, guarded(&Tform1::SpeedButton3Click));
    canchg = new QCheckBox(fromGbk(LockCaption), Panel1);
    canchg->setGeometry(504, 6, 81, 17);
    canchg->setChecked(false);
    createAdPanes();
    createStatusBar();
}

void Tform1::createAdPanes()
{
    WebBrowser1 = createAdPane(Panel5, 3, 468);
    WebBrowser2 = createAdPane(Panel4, 473, 121);
}

// A highlight-coloured frame that shows a part of a larger pane: the pane
// sits 12 px left of and 16 px above the frame's corner, so its own borders
// and scroll bars stay outside the visible part.
TBrowserPane* Tform1::createAdPane(QFrame*& frame, int left, int width)
{
    frame = new QFrame(Panel1);
    frame->setGeometry(left, 29, width, 62);
    frame->setAutoFillBackground(true);
    QPalette colours = frame->palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Highlight));
    frame->setPalette(colours);
    auto* pane = new TBrowserPane(frame);
    pane->setGeometry(-12, -16, 498, 108);
    if (m_outside.adLoader)
        pane->SetPageLoader(m_outside.adLoader);
    return pane;
}

void Tform1::createStatusBar()
{
    StatusBar1 = new TStatusBar(Panel1);
    StatusBar1->setFixedHeight(19);
    StatusBar1->AddPanel(50, "LOG");
    StatusBar1->AddPanel(250, VendorLine);
    StatusBar1->AddPanel(50, VendorLine);
    connect(StatusBar1, &TStatusBar::clicked, this, guarded(&Tform1::StatusBar1Click));
    // The bar spans the panel's bottom edge; the other controls keep their places.
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(StatusBar1);
}

// The database sits beside the site list, which is read from the current directory.
void Tform1::recordHistory()
{
    const auto notice = [this](const Text& text) { StatusBar1->ShowNotice(VendorPanel, text, NoticeTime); };
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    if (error) {
        notice(HistoryFailureNotice(error.message(), 0));
        return;
    }
    m_checkRun->RecordHistory(
        (folder / HistoryFileName).string(), (folder / GbkToUtf8(SiteListFileName)).string(), notice);
}

QToolButton* Tform1::createSpeedButton(const char* caption, int left)
{
    auto* button = new QToolButton(Panel1);
    button->setText(caption);
    button->setGeometry(left, 4, 61, 22);
    button->setAutoRaise(true);
    button->setFont(verdana());
    // Olive captions for a live button only: a disabled one keeps the
    // style's disabled text colour, so that it looks as dead as it is.
    QPalette colours = button->palette();
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive })
        colours.setColor(group, QPalette::ButtonText, CaptionColour);
    button->setPalette(colours);
    return button;
}

void Tform1::FormCreate()
{
    AdIndex = 1;
    WebBrowser1->Navigate(LeftAdPageUrl(AdIndex, m_outside.vendorSite));
    WebBrowser2->Navigate(RightAdPageUrl(AdIndex, m_outside.vendorSite));
    startSiteList();
}

void Tform1::Timer1Timer()
{
    const int n = ++AdIndex;
    WebBrowser1->Stop();
    WebBrowser2->Stop();
    WebBrowser1->Navigate(LeftAdPageUrl(n, m_outside.vendorSite));
    WebBrowser2->Navigate(RightAdPageUrl(n, m_outside.vendorSite));
    StatusBar1->SetPanelText(0, "AD" + std::to_string(n));
    if (n == AdPageCount)
        AdIndex = 0;
}

void Tform1::StatusBar1Click()
{
    // A failure to open the page is of no concern to the program.
    const QUrl home(fromGbk(VendorHomeUrl(m_outside.vendorSite)));
    if (m_outside.openUrl)
        m_outside.openUrl(home);
    else
        QDesktopServices::openUrl(home);
}

// Prepares the site list: the file holds data rows only, columns start as
// wide as their titles, the list is loaded, and the status choices and
// icons are set up. A failing load ends this here, so the status list then
// stays empty until the next start.
void Tform1::startSiteList()
{
    KeepTitlesOutOfFile(EditGrid->Store());
    EditGrid->AutoSizeColumns(false, 4);
    EditGrid->ClearRect(0, FirstSiteRow, EditGrid->ColCount() - 1, EditGrid->RowCount() - 1);
    const GridLoadReport loaded = EditGrid->LoadFromFile(SiteListFileName);
    EditGrid->ClearComboString();
    for (const Text& status : Statuses)
        EditGrid->AddComboString(status);
    showStatusIcons();
    // Lines the reading rules skipped are not in the grid, and SAVE would
    // drop them from the file: the operator hears of it once, and the file
    // as it was is copied aside before it is first overwritten.
    if (loaded.skippedCellLines > 0) {
        m_copyBeforeSave = true;
        ErrorBox::Show(SkippedLinesHead + std::to_string(loaded.skippedCellLines) + SkippedLinesTail);
    }
}

// A list saved as UTF-8 reads as garbled text with no active entry. Read as
// UTF-8 it becomes an edit of the list as loaded: closing asks to save it,
// and the first SAVE copies the file as it was aside before writing GBK.
void Tform1::offerUtf8Reading()
{
    if (!LooksLikeUtf8SiteList(EditGrid->Store()))
        return;
    if (!(m_outside.askReadAsUtf8 ? m_outside.askReadAsUtf8() : AskReadAsUtf8()))
        return;
    ConvertUtf8SiteList(EditGrid->Store());
    m_copyBeforeSave = true;
    showStatusIcons();
    EditGrid->viewport()->update();
}

void Tform1::showStatusIcons()
{
    // Only filled cells can carry a status, so the walk visits the stored
    // cells of the status column rather than every row of a list whose row
    // count may be huge.
    std::vector<std::pair<int, int>> icons;
    EditGrid->Store().ForEachCell(SiteStatusCol, FirstSiteRow, SiteStatusCol, EditGrid->RowCount() - 1,
        [&icons](int, int row, const Text& text, const TCellGraphic*) {
            for (std::size_t index = 0; index < Statuses.size(); ++index) {
                if (text == Statuses[index])
                    icons.emplace_back(row, static_cast<int>(index));
            }
        });
    for (const auto& [row, image] : icons)
        EditGrid->AddImageIdx(SiteStatusCol, row, image, haBeforeText, vaTop);
}

void Tform1::EditGridGetEditorType(QObject*, int ACol, int, TEditorType& AEditor)
{
    if (ACol == SiteStatusCol)
        AEditor = edComboList;
}

void Tform1::EditGridCanEditCell(QObject*, int, int, bool& CanEdit) { CanEdit = !canchg->isChecked(); }

void Tform1::EditGridCanDeleteRow(QObject*, int, bool& CanDelete) { CanDelete = !canchg->isChecked(); }

void Tform1::EditGridComboChange(QObject*, int ACol, int ARow, int AItemIndex, const Text&)
{
    EditGrid->AddImageIdx(ACol, ARow, AItemIndex, haBeforeText, vaTop);
}

void Tform1::EditGridGridHint(QObject*, int ARow, int ACol, Text& hintstr)
{
    const Text text = EditGrid->Cells(ACol, ARow);
    if (text.empty())
        return;
    switch (ACol) {
    case SiteNameCol:
        hintstr = NameHint;
        break;
    case SiteAddressCol:
        hintstr = AddressHint;
        break;
    case SiteQueryCol:
        hintstr = text;
        break;
    case SiteStatusCol:
        hintstr = StatusHint;
        break;
    default:
        break;
    }
}

void Tform1::EditGridGetAlignment(QObject*, int ARow, int ACol, TAlignment& HAlign, TVAlignment&)
{
    if (ARow == 0 || ACol == SiteAddressCol || ACol == SiteQueryCol)
        HAlign = taCenter;
}

void Tform1::SpeedButton1Click()
{
    if (m_copyBeforeSave) {
        CopyGridFile(SiteListFileName, SiteListBackupName);
        m_copyBeforeSave = false;
    }
    EditGrid->SaveToFile(SiteListFileName);
    m_savedList = SiteListSnapshot::Of(EditGrid->Store());
}

void Tform1::SpeedButton2Click()
{
    SpeedButton2->setEnabled(false);
    m_checkRun->Run(*EditGrid);
    if (!m_checkRun->Starting() && m_checkRun->RunRowCount() == 0)
        StatusBar1->ShowNotice(VendorPanel, NoActiveSiteNotice, NoticeTime);
}

// STOP starts no further worker of the run, so CHECK cannot begin a second
// run over the first; the workers already started run to their end, and the
// status bar says so while they do.
void Tform1::SpeedButton3Click()
{
    m_checkRun->StartNoMore();
    SpeedButton2->setEnabled(true);
    if (m_checkRun->WorkersInFlight() > 0)
        StatusBar1->ShowNotice(VendorPanel, StoppingNotice, StoppingNoticeTime);
}

void Tform1::RunGridCanEditCell(QObject*, int, int ACol, bool& CanEdit)
{
    CanEdit = ResultCellEditable(ACol);
}

void Tform1::RunGridCanDeleteRow(QObject*, int ARow, bool& CanDelete)
{
    m_checkRun->CanDeleteRow(ARow, CanDelete);
}

void Tform1::RunGridGetAlignment(QObject*, int ARow, int ACol, TAlignment& HAlign, TVAlignment&)
{
    AlignResultCell(ARow, ACol, HAlign);
}

void Tform1::RunGridAutoAddRow(QObject*, int ARow)
{
    RunGrid->AddCheckBox(ResultCheckBoxCol, ARow, false, false);
}

void Tform1::RunGridCheckBoxClick(QObject*, int ACol, int ARow, bool State)
{
    m_checkRun->CheckBoxClick(ACol, ARow, State);
}

void Tform1::RunGridGridHint(QObject*, int ARow, int ACol, Text& hintstr)
{
    if (Text hint = m_checkRun->CellHint(ARow, ACol); !hint.empty())
        hintstr = std::move(hint);
}

void Tform1::RunGridGetCellColor(QObject*, int ARow, int ACol, TGridDrawState, QBrush&, CellFont& AFont)
{
    m_checkRun->CellColor(ARow, ACol, AFont);
}

// The program ends right after the window closes: the run being recorded
// ends here, and what is queued for the database is written first.
void Tform1::closeEvent(QCloseEvent* event)
{
    if (SiteListSnapshot::Of(EditGrid->Store()) == m_savedList || saveBeforeClose()) {
        m_checkRun->StopStarting();
        m_checkRun->StopRecording();
        event->accept();
    } else {
        event->ignore();
    }
}

// Asks about the unsaved edits; true when the window may close.
bool Tform1::saveBeforeClose()
{
    const CloseAnswer answer = m_outside.askBeforeClose ? m_outside.askBeforeClose() : AskSaveBeforeClose();
    if (answer == CloseAnswer::CloseWithoutSaving)
        return true;
    if (answer == CloseAnswer::Cancel)
        return false;
    // A save that fails shows its error and keeps the window, and the edits, open.
    bool saved = false;
    ErrorBox::Guard([this, &saved] {
        SpeedButton1Click();
        saved = true;
    });
    return saved;
}
