#include "app/main_form.h"

#include "app/error_box.h"
#include "app/site_list_texts.h"
#include "app/status_icons.h"
#include "base/gbk_codec.h"

#include <QCheckBox>
#include <QFrame>
#include <QPalette>
#include <QToolButton>
#include <QVBoxLayout>
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
const int EditGridWidths[] = { 86, 193, 224, 51 };

const std::vector<Text> Statuses { StatusNormal, StatusPaused, StatusDead };

QString fromGbk(const Text& text) { return QString::fromStdString(GbkToUtf8(text)); }

QFont verdana()
{
    QFont font("Verdana");
    font.setPixelSize(11);
    return font;
}

}

template <typename... Args> auto Tform1::guarded(void (Tform1::*handler)(Args...))
{
    return [this, handler](
               Args... args) { ErrorBox::Guard([&] { (this->*handler)(std::forward<Args>(args)...); }); };
}

Tform1::Tform1(QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(fromGbk(ProductTitle));
    setGeometry(260, 136, 605, 448);
    setMinimumSize(455, 430);
    setMaximumWidth(605);
    ImageList1 = StatusIcons::Create();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createEditGrid();
    createPanel1();
    layout->addWidget(EditGrid, 1);
    layout->addWidget(Panel1);
    setCentralWidget(central);

    ErrorBox::Guard([this] { FormCreate(); });
}

void Tform1::createEditGrid()
{
    EditGrid = new TCellGrid(this);
    EditGrid->resize(width(), 146);
    configureEditGrid();
    bindEditGridEvents();
}

void Tform1::configureEditGrid()
{
    EditGrid->SetColCount(4);
    EditGrid->SetRowCount(5);
    EditGrid->SetFixedCols(0);
    EditGrid->SetFixedRows(1);
    EditGrid->SetColumnHeaders(EditGridTitles);
    for (int col = 0; col < 4; ++col)
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
    Panel1->setFixedHeight(112);
    SpeedButton1 = createSpeedButton("SAVE", 76);
    connect(SpeedButton1, &QToolButton::clicked, this,
        [this] { ErrorBox::Guard([this] { SpeedButton1Click(); }); });
    canchg = new QCheckBox(fromGbk(LockCaption), Panel1);
    canchg->setGeometry(504, 6, 81, 17);
    canchg->setChecked(false);
}

QToolButton* Tform1::createSpeedButton(const char* caption, int left)
{
    auto* button = new QToolButton(Panel1);
    button->setText(caption);
    button->setGeometry(left, 4, 61, 22);
    button->setAutoRaise(true);
    button->setFont(verdana());
    QPalette colours = button->palette();
    colours.setColor(QPalette::ButtonText, QColor(128, 128, 0));
    button->setPalette(colours);
    return button;
}

void Tform1::FormCreate() { startSiteList(); }

// Prepares the site list: the file holds data rows only, columns start as
// wide as their titles, the list is loaded, and the status choices and
// icons are set up. A failing load ends this here, so the status list then
// stays empty until the next start.
void Tform1::startSiteList()
{
    EditGrid->Store().StoreFixedCells = false;
    EditGrid->AutoSizeColumns(false, 4);
    EditGrid->ClearRect(0, 1, EditGrid->ColCount() - 1, EditGrid->RowCount() - 1);
    EditGrid->LoadFromFile(SiteListFileName);
    EditGrid->ClearComboString();
    for (const Text& status : Statuses)
        EditGrid->AddComboString(status);
    showStatusIcons();
}

void Tform1::showStatusIcons()
{
    // Only filled cells can carry a status, so the walk visits the stored
    // cells of the status column rather than every row of a list whose row
    // count may be huge.
    std::vector<std::pair<int, int>> icons;
    EditGrid->Store().ForEachCell(SiteStatusCol, 1, SiteStatusCol, EditGrid->RowCount() - 1,
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

void Tform1::SpeedButton1Click() { EditGrid->SaveToFile(SiteListFileName); }
