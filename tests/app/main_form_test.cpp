#include "app/debug_window.h"
#include "app/error_box.h"
#include "check/fetch_slots.h"
#include "app/main_form.h"
#include "app/result_grid_layout.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "site_list_file.h"
#include "support/forked_http_server.h"
#include "support/scratch_folder.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>
#include <QToolTip>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

const Text NameHint = "\xB9\xAB\xCB\xBE\xC3\xFB\xB3\xC6"; // 公司名称
const Text AddressHint = "\xCD\xF8\xD5\xBE\xB5\xD8\xD6\xB7"; // 网站地址
const Text StatusHint = "\xD5\xCA\xBA\xC5\xB5\xB1\xC7\xB0\xB5\xC4\xD7\xB4\xCC\xAC"; // 帐号当前的状态

// A site list of two entries: an active one and a paused one.
const Text TwoEntries = Text("4,2\r\n0,1,Alpha\r\n1,1,http://alpha.example/\r\n2,1,my link\r\n3,1,")
    + StatusNormal + "\r\n0,2,Beta\r\n3,2," + StatusPaused + "\r\n";

// Each test starts the window in a fresh directory of its own, with the
// error box replaced by a recorder so that no test waits for a click.
class MainForm : public testing::Test
{
protected:
    // Declared first so that it is removed last, after all the test made.
    ScratchFolder m_folder { "main_form", ScratchFolder::Enter::Yes };

    void SetUp() override
    {
        ASSERT_FALSE(m_folder.Path().empty());
        ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &m_openFiles), 0);
        ErrorBox::SetPresenter([this](const QString& caption, const QString& text) {
            captions.push_back(caption);
            errors.push_back(text);
        });
    }
    void TearDown() override
    {
        form.reset();
        ErrorBox::SetPresenter({});
        ::setrlimit(RLIMIT_NOFILE, &m_openFiles);
    }

    void open()
    {
        form = std::make_unique<Tform1>();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        grid().setFocus();
    }

    TCellGrid& grid() { return *form->EditGrid; }
    QPoint cellCenter(int col, int row) { return grid().CellRect(col, row).center(); }
    void click(int col, int row)
    {
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, cellCenter(col, row));
    }
    void key(int key)
    {
        QTest::keyClick(grid().Editor() ? grid().Editor() : &grid(), static_cast<Qt::Key>(key));
    }
    int iconOf(int col, int row)
    {
        const TCellGraphic* graphic = grid().Store().Graphic(col, row);
        return graphic && graphic->CellType == ctImageList ? graphic->CellIndex : -1;
    }

    std::unique_ptr<Tform1> form;
    std::vector<QString> captions;
    std::vector<QString> errors;
    // The open-file limit as the test found it, set back after it.
    rlimit m_openFiles {};
};

TEST_F(MainForm, StartUpWithoutTheFileShowsOneErrorAndFourEmptyRows)
{
    open();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], QString::fromUtf8("Cannot open file \xE5\xB8\x90\xE5\x8F\xB7.ini."));
    EXPECT_EQ(captions[0], "LinkWatch");
    EXPECT_EQ(grid().RowCount(), 5);
    for (int row = 1; row < 5; ++row)
        for (int col = 0; col < 4; ++col)
            EXPECT_EQ(grid().Cells(col, row), "") << col << "," << row;
    EXPECT_TRUE(grid().Store().ComboItems().empty());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainForm, StatusCellsGetTheIconOfTheirExactText)
{
    writeSiteList(Text("4,6\r\ncw 0,90\r\n3,1,") + StatusNormal + "\r\n3,2," + StatusPaused + "\r\n3,3,"
        + StatusDead + "\r\n3,4, " + StatusNormal + "\r\n3,5,other\r\n0,6,no status\r\n");
    open();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(grid().RowCount(), 7);
    EXPECT_EQ(grid().ColWidths(0), 90);
    EXPECT_EQ(grid().Cells(SiteNameCol, 0), "\xCD\xF8\xD5\xBE\xC3\xFB\xB3\xC6"); // 网站名称, the title stays
    const int expected[] = { 0, 1, 2, -1, -1, -1 };
    for (int row = 1; row <= 6; ++row)
        EXPECT_EQ(iconOf(SiteStatusCol, row), expected[row - 1]) << row;
    const TCellGraphic* icon = grid().Store().Graphic(SiteStatusCol, 1);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->CellHAlign, haBeforeText);
    EXPECT_EQ(icon->CellVAlign, vaTop);
    EXPECT_EQ(grid().Store().ComboItems(), (std::vector<Text> { StatusNormal, StatusPaused, StatusDead }));
}

TEST_F(MainForm, PickingDeadSwapsTheIconAtOnceAndTheFileChangesOnlyAtSave)
{
    writeSiteList(TwoEntries);
    open();
    click(SiteStatusCol, 1);
    ASSERT_NE(grid().Editor(), nullptr);
    key(Qt::Key_Down);
    EXPECT_EQ(iconOf(SiteStatusCol, 1), 1);
    key(Qt::Key_Down);
    EXPECT_EQ(iconOf(SiteStatusCol, 1), 2);
    key(Qt::Key_Return);
    EXPECT_EQ(grid().Cells(SiteStatusCol, 1), StatusDead);
    EXPECT_EQ(readSiteList(), TwoEntries);
    form->SpeedButton1->click();
    EXPECT_TRUE(errors.empty());
    const Text saved = readSiteList();
    EXPECT_EQ(saved.substr(0, 5), "4,2\r\n");
    EXPECT_NE(saved.find(Text("\r\n3,1,") + StatusDead + "\r\n0,2,Beta\r\n"), Text::npos);
}

TEST_F(MainForm, LockedListOpensNoEditorAndRefusesDelete)
{
    writeSiteList(TwoEntries);
    open();
    form->canchg->setChecked(true);
    click(SiteNameCol, 1);
    QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, cellCenter(SiteNameCol, 1));
    EXPECT_EQ(grid().Editor(), nullptr);
    QTest::keyClicks(&grid(), "x");
    EXPECT_EQ(grid().Editor(), nullptr);
    key(Qt::Key_Delete);
    EXPECT_EQ(grid().RowCount(), 3);
    EXPECT_EQ(grid().Cells(SiteNameCol, 1), "Alpha");

    form->canchg->setChecked(false);
    click(SiteNameCol, 2);
    ASSERT_NE(grid().Editor(), nullptr);
    key(Qt::Key_Escape);
    key(Qt::Key_Delete);
    EXPECT_EQ(grid().RowCount(), 2);
    EXPECT_EQ(grid().Cells(SiteNameCol, 1), "Alpha");
}

TEST_F(MainForm, HintsNameTheColumnOrShowTheQueryAndLeaveEmptyCellsAlone)
{
    writeSiteList(TwoEntries);
    open();
    struct HintCase {
        int row, col;
        Text hint;
    };
    const HintCase cases[] = { { 1, SiteNameCol, NameHint }, { 1, SiteAddressCol, AddressHint },
        { 1, SiteQueryCol, "my link" }, { 1, SiteStatusCol, StatusHint },
        { 2, SiteAddressCol, "as the grid passed it" }, { 4, SiteNameCol, "as the grid passed it" } };
    for (const HintCase& c : cases) {
        Text hint = "as the grid passed it";
        grid().OnGridHint(&grid(), c.row, c.col, hint);
        EXPECT_EQ(hint, c.hint) << c.row << "," << c.col;
    }
    const QPoint pos = cellCenter(SiteQueryCol, 1);
    QHelpEvent rest(QEvent::ToolTip, pos, grid().viewport()->mapToGlobal(pos));
    QApplication::sendEvent(grid().viewport(), &rest);
    // The grid shows a hint as plain text wrapped in markup; what the operator reads is the query.
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    EXPECT_EQ(shown.toPlainText(), "my link");
}

TEST_F(MainForm, TitlesAddressesAndQueriesAreCentred)
{
    open();
    struct AlignCase {
        int row, col;
        TAlignment align;
    };
    const AlignCase cases[] = { { 0, 0, taCenter }, { 0, 3, taCenter }, { 1, 0, taLeftJustify },
        { 1, 1, taCenter }, { 2, 2, taCenter }, { 3, 3, taLeftJustify } };
    for (const AlignCase& c : cases) {
        TAlignment align = taLeftJustify;
        TVAlignment valign = vtaBottom;
        grid().OnGetAlignment(&grid(), c.row, c.col, align, valign);
        EXPECT_EQ(align, c.align) << c.row << "," << c.col;
        EXPECT_EQ(valign, vtaBottom);
    }
}

TEST_F(MainForm, FailedSaveShowsCannotCreateAndKeepsTheList)
{
    writeSiteList(TwoEntries);
    open();
    fs::remove(SiteListDiskName);
    fs::create_directory(SiteListDiskName);
    form->SpeedButton1->click();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], QString::fromUtf8("Cannot Create \xE5\xB8\x90\xE5\x8F\xB7.ini."));
    EXPECT_EQ(grid().Cells(SiteNameCol, 2), "Beta");
    EXPECT_EQ(iconOf(SiteStatusCol, 1), 0);
}

TEST_F(MainForm, ALoadThatSkippedLinesSaysSoAndKeepsTheFileAsItWasBeforeTheFirstSave)
{
    const char backupName[] = "\xE5\xB8\x90\xE5\x8F\xB7.ini.bak";
    const Text damaged = "\xEF\xBB\xBF" + TwoEntries;
    writeSiteList(damaged);
    std::ofstream(backupName, std::ios::binary) << "older copy";
    open();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(
        errors[0].startsWith(QString::fromUtf8("\xE5\xB8\x90\xE5\x8F\xB7.ini \xE4\xB8\xAD\xE6\x9C\x89 4 ")))
        << errors[0].toStdString();
    form->SpeedButton1->click();
    std::ostringstream backup;
    backup << std::ifstream(backupName, std::ios::binary).rdbuf();
    EXPECT_EQ(backup.str(), damaged);
    EXPECT_NE(readSiteList(), damaged);
    // Only the first SAVE after such a load copies the file aside.
    std::ofstream(backupName, std::ios::binary) << "kept";
    form->SpeedButton1->click();
    backup.str("");
    backup << std::ifstream(backupName, std::ios::binary).rdbuf();
    EXPECT_EQ(backup.str(), "kept");
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(MainForm, StartUpSurvivesASizeLineOfTwoBillionRows)
{
    writeSiteList(Text("4,2000000000\r\n0,1999999999,far\r\n3,1999999999,") + StatusDead + "\r\n");
    open();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(grid().RowCount(), 2000000001);
    EXPECT_EQ(iconOf(SiteStatusCol, 1999999999), 2);
    EXPECT_EQ(grid().Store().ComboItems().size(), 3u);
}

// Under an open-file limit of 64, while more workers than the budget wait
// for held pages, a tick opens the debug window, which paints, and SAVE
// writes the list; the ticked row's transcript follows the pages.
TEST_F(MainForm, UnderALowOpenFileLimitTheWindowStillOpensWindowsAndFilesDuringARun)
{
    ForkedHttpServer server([](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "mark"); });
    Text list = "4,81\r\n";
    for (int row = 1; row <= 80; ++row) {
        const std::string n = std::to_string(row);
        list
            += "0," + n + ",S\r\n1," + n + "," + server.Url("/") + "\r\n3," + n + "," + StatusNormal + "\r\n";
    }
    writeSiteList(list);
    rlimit lowered = m_openFiles;
    lowered.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    open();
    TWdebug debugWindow;
    form->SetDebugWindow(&debugWindow);
    form->SpeedButton2->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return FetchSlots::Process().Waiting() > 0; }, 30000));

    QTest::mouseClick(form->RunGrid->viewport(), Qt::LeftButton, {},
        form->RunGrid->CellRect(ResultCheckBoxCol, 1).center());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&debugWindow));
    EXPECT_FALSE(debugWindow.grab().isNull());
    fs::remove(SiteListDiskName);
    form->SpeedButton1->click();
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(fs::exists(SiteListDiskName));
    server.Release();
    EXPECT_TRUE(QTest::qWaitFor([] { return FetchSlots::Process().InFlight() == 0; }, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return debugWindow.MemoText().ends_with("mark\r\n\r\n"); }, 5000));
}

}
