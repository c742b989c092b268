#include "app/debug_window.h"
#include "app/error_box.h"
#include "check/link_check_worker.h"
#include "app/main_form.h"
#include "app/result_grid_layout.h"
#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "app/status_bar.h"
#include "base/gbk_codec.h"
#include "grid_store/cell_graphic.h"
#include "grid/cell_grid_text.h"
#include "site_list_file.h"
#include "support/loopback_http_server.h"
#include "support/scratch_folder.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const Text Site = "http://ads.test";
const Text OneEntry
    = Text("4,1\r\n0,1,Alpha\r\n1,1,http://127.0.0.1:9/\r\n2,1,my link\r\n3,1,") + StatusNormal + "\r\n";

// Each test opens the main window in a fresh folder of its own. Nothing
// leaves the machine: the panes' pages come from a recording loader, links
// open into a list, and the close question is answered by the test.
class MainFormShell : public testing::Test
{
protected:
    // Declared first so that it is removed last, after all the test made.
    ScratchFolder m_folder { "main_form_shell", ScratchFolder::Enter::Yes };

    void SetUp() override
    {
        ASSERT_FALSE(m_folder.Path().empty());
        ErrorBox::SetPresenter([this](const QString&, const QString& text) { errors.push_back(text); });
        outside.vendorSite = Site;
        outside.adLoader = [urls = loadedUrls](const Text& url) {
            std::lock_guard lock(urls->mutex);
            urls->list.push_back(url);
            return TBrowserPane::Page { true, "text/html", "<p>ad</p>" };
        };
        outside.openUrl = [this](const QUrl& url) { opened.push_back(url); };
        outside.askBeforeClose = [this] {
            ++questions;
            return answer;
        };
    }
    void TearDown() override
    {
        form.reset();
        ErrorBox::SetPresenter({});
    }

    void open()
    {
        form = std::make_unique<Tform1>(nullptr, outside);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Whether any pixel is olive-tinted: red and green alike, blue well below
    // them, as the antialiased edges and strokes of an olive caption are.
    static bool HoldsOlive(const QImage& image)
    {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (std::abs(pixel.red() - pixel.green()) <= 24 && pixel.red() - pixel.blue() >= 48)
                    return true;
            }
        }
        return false;
    }

    struct Urls {
        std::mutex mutex;
        std::vector<Text> list;
    };
    std::shared_ptr<Urls> loadedUrls = std::make_shared<Urls>();
    MainFormOutside outside;
    std::unique_ptr<Tform1> form;
    std::vector<QString> errors;
    std::vector<QUrl> opened;
    CloseAnswer answer = CloseAnswer::Cancel;
    int questions = 0;
};

TEST_F(MainFormShell, OpensWithTheLayoutOfTheWindow)
{
    writeSiteList(OneEntry);
    open();
    EXPECT_EQ(form->geometry(), QRect(260, 136, 605, 448));
    EXPECT_EQ(form->EditGrid->height(), 146);
    EXPECT_EQ(form->Splitter1->handleWidth(), 3);
    EXPECT_EQ(form->Splitter1->handle(1)->cursor().shape(), Qt::SplitVCursor);
    EXPECT_EQ(form->Panel1->height(), 112);
    EXPECT_EQ(form->RunGrid->height(), 448 - 146 - 3 - 112);
    EXPECT_EQ(form->SpeedButton2->geometry(), QRect(4, 4, 61, 22));
    EXPECT_EQ(form->SpeedButton1->geometry(), QRect(76, 4, 61, 22));
    EXPECT_EQ(form->SpeedButton3->geometry(), QRect(152, 4, 61, 22));
    EXPECT_EQ(form->Panel5->geometry(), QRect(3, 29, 468, 62));
    EXPECT_EQ(form->Panel4->geometry(), QRect(473, 29, 121, 62));
    EXPECT_EQ(form->WebBrowser1->geometry(), QRect(-12, -16, 498, 108));
    EXPECT_EQ(form->WebBrowser2->geometry(), QRect(-12, -16, 498, 108));
    EXPECT_EQ(form->StatusBar1->geometry(), QRect(0, 112 - 19, 605, 19));
    EXPECT_EQ(form->StatusBar1->PanelText(0), "LOG");
    EXPECT_EQ(form->StatusBar1->PanelWidth(0), 50);
    EXPECT_EQ(form->StatusBar1->PanelWidth(1), 250);
    EXPECT_EQ(form->StatusBar1->PanelWidth(2), 50);
    EXPECT_EQ(form->Timer1->interval(), 8000);
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_TRUE(form->SpeedButton2->isEnabled());
    EXPECT_EQ(form->SelectedDebugRow(), 0);
    EXPECT_EQ(form->RunGrid->RowCount(), 2);
}

TEST_F(MainFormShell, SizeLimitsRefuseTooWideAndTooLow)
{
    open();
    form->resize(700, 500);
    EXPECT_EQ(form->width(), 605);
    form->resize(300, 400);
    EXPECT_EQ(form->width(), 455);
    EXPECT_EQ(form->height(), 430);
    form->resize(500, 2000);
    EXPECT_EQ(form->height(), 2000);
}

TEST_F(MainFormShell, StartUpNavigatesBothPanesToTheFirstPagePair)
{
    open();
    EXPECT_EQ(form->AdIndex, 1);
    EXPECT_EQ(form->WebBrowser1->LocationURL(), Site + "/ad/add1.htm");
    EXPECT_EQ(form->WebBrowser2->LocationURL(), Site + "/ad/ad1.htm");
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return !form->WebBrowser1->Busy() && !form->WebBrowser2->Busy(); }, 5000));
    std::lock_guard lock(loadedUrls->mutex);
    EXPECT_EQ(loadedUrls->list.size(), 2u);
}

TEST_F(MainFormShell, EachTickShowsTheNextPagePairAndAfterFiveTheFirstAgain)
{
    open();
    form->Timer1Timer();
    EXPECT_EQ(form->WebBrowser1->LocationURL(), Site + "/ad/add2.htm");
    EXPECT_EQ(form->WebBrowser2->LocationURL(), Site + "/ad/ad2.htm");
    EXPECT_EQ(form->StatusBar1->PanelText(0), "AD2");
    for (int tick = 0; tick < 3; ++tick)
        form->Timer1Timer();
    EXPECT_EQ(form->StatusBar1->PanelText(0), "AD5");
    EXPECT_EQ(form->AdIndex, 0);
    form->Timer1Timer();
    EXPECT_EQ(form->WebBrowser1->LocationURL(), Site + "/ad/add1.htm");
    EXPECT_EQ(form->WebBrowser2->LocationURL(), Site + "/ad/ad1.htm");
    EXPECT_EQ(form->StatusBar1->PanelText(0), "AD1");
}

TEST_F(MainFormShell, AClickOnTheStatusBarOpensTheVendorHomePage)
{
    open();
    QTest::mouseClick(form->StatusBar1, Qt::LeftButton, Qt::NoModifier, QPoint(400, 9));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl("http://ads.test/"));
}

TEST_F(MainFormShell, TheDefaultVendorSiteIsTheNamedHost)
{
    EXPECT_EQ(MainFormOutside().vendorSite, Text("http://") + vendorHost);
    EXPECT_EQ(VendorHomeUrl(), Text("http://") + vendorHost + "/");
}

TEST_F(MainFormShell, ANavigateErrorAtStartUpShowsTheErrorBoxAndSkipsTheSiteList)
{
    writeSiteList(OneEntry);
    outside.vendorSite = "ftp://ads.test";
    open();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].startsWith("Cannot navigate to ftp://ads.test/ad/add1.htm"))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[0].endsWith("."));
    EXPECT_TRUE(form->EditGrid->Cells(SiteNameCol, 1).empty());
    EXPECT_TRUE(form->EditGrid->Store().ComboItems().empty());
}

TEST_F(MainFormShell, CheckDisablesItselfAndOnlyStopEnablesItAgain)
{
    writeSiteList(Text("4,1\r\n0,1,Paused\r\n3,1,") + StatusPaused + "\r\n");
    open();
    const QImage enabled = form->SpeedButton2->grab().toImage();
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    EXPECT_FALSE(form->SpeedButton2->isEnabled());
    EXPECT_EQ(form->RunRowCount(), 0);
    EXPECT_EQ(form->StatusBar1->PanelText(1), // 没有状态为“正常”的网站可检查
        "\xC3\xBB\xD3\xD0\xD7\xB4\xCC\xAC\xCE\xAA\xA1\xB0\xD5\xFD\xB3\xA3\xA1\xB1\xB5\xC4\xCD\xF8\xD5\xBE\xBF"
        "\xC9\xBC\xEC\xB2\xE9");
    // The olive caption marks a live button; a disabled one is drawn differently.
    const QImage disabled = form->SpeedButton2->grab().toImage();
    EXPECT_TRUE(HoldsOlive(enabled));
    EXPECT_FALSE(HoldsOlive(disabled));
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_TRUE(form->SpeedButton2->isEnabled());
}

TEST_F(MainFormShell, AListSavedAsUtf8IsReadSoWhenAskedAndCopiedAsideBeforeItIsSavedAsGbk)
{
    const std::string utf8 = GbkToUtf8(Text("4,1\r\n0,1,\xBC\xD7\r\n3,1,") + StatusNormal + "\r\n"); // 甲
    writeSiteList(utf8);
    outside.askReadAsUtf8 = [this] { return ++questions == 1; };
    open();
    EXPECT_EQ(form->EditGrid->Cells(SiteStatusCol, 1), StatusNormal);
    EXPECT_EQ(form->EditGrid->Cells(SiteNameCol, 1), "\xBC\xD7");
    form->SpeedButton1->click();
    std::ostringstream backup;
    backup << std::ifstream(std::string(SiteListDiskName) + ".bak", std::ios::binary).rdbuf();
    EXPECT_EQ(backup.str(), utf8);
    EXPECT_NE(readSiteList().find(StatusNormal), std::string::npos);
    EXPECT_EQ(questions, 1);
}

TEST_F(MainFormShell, TickingAResultRowShowsTheDebugWindowForIt)
{
    writeSiteList(OneEntry);
    open();
    TWdebug debugWindow;
    form->SetDebugWindow(&debugWindow);
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    EXPECT_EQ(form->RunRowCount(), 1);
    EXPECT_EQ(form->RunGrid->Cells(ResultNameCol, 1), "Alpha");
    QTest::mouseClick(form->RunGrid->viewport(), Qt::LeftButton, Qt::NoModifier,
        form->RunGrid->CellRect(ResultCheckBoxCol, 1).center());
    EXPECT_TRUE(debugWindow.isVisible());
    EXPECT_EQ(form->SelectedDebugRow(), 1);
    debugWindow.close();
    EXPECT_EQ(form->SelectedDebugRow(), NoDebugRow);
    const TCellGraphic* box = form->RunGrid->Store().Graphic(ResultCheckBoxCol, 1);
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->CellBoolean);
}

TEST_F(MainFormShell, CheckStartsItsWorkersWhileTheWindowKeepsAnswering)
{
    constexpr int count = 250;
    LoopbackHttpServer server(
        [](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "<p>my link</p>"); });
    Text list = "4," + std::to_string(count) + "\r\n";
    for (int row = 1; row <= count; ++row) {
        const std::string number = std::to_string(row);
        list += "0," + number + ",site " + number + "\r\n1," + number + "," + server.Url("/" + number)
            + "\r\n2," + number + ",my link\r\n3," + number + "," + StatusNormal + "\r\n";
    }
    writeSiteList(list);
    open();
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    const auto rowsAsBefore = [this, &server] {
        for (int row = 1; row <= count; ++row) {
            const std::string number = std::to_string(row);
            if (form->RunGrid->Cells(ResultNumberCol, row) != number
                || form->RunGrid->Cells(ResultNameCol, row) != "site " + number
                || form->RunGrid->Cells(ResultAddressCol, row) != server.Url("/" + number)
                || form->RunGrid->Cells(ResultVerdictCol, row) != verdictFound)
                return false;
        }
        return true;
    };
    clock.start();
    ticker.start(5);
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    form->EditGrid->SetCells(SiteNameCol, count, "edited while starting");
    QTest::mouseClick(form->canchg, Qt::LeftButton);
    EXPECT_TRUE(form->canchg->isChecked());
    EXPECT_TRUE(QTest::qWaitFor(rowsAsBefore, 60000));
    ticker.stop();
    EXPECT_EQ(form->RunRowCount(), count);
    EXPECT_EQ(form->RunGrid->RowCount(), count + 1);
    // A frozen window would have stalled for 20 ms per entry, 5 s in all.
    EXPECT_LT(longestStall, 500) << "longest event loop stall " << longestStall << " ms";
    RecordProperty("longest_stall_ms", static_cast<int>(longestStall));
}

TEST_F(MainFormShell, StopStartsNoFurtherWorkerAndSaysSoUntilTheStartedOnesEnd)
{
    LoopbackHttpServer server([](const std::string&) { return LoopbackHttpServer::Reply("200 OK", ""); });
    server.Hold();
    writeSiteList(
        "4,50\r\n1,1," + server.Url("/") + "\r\n3,1," + StatusNormal + "\r\n3,2," + StatusNormal + "\r\n");
    open();
    const Text vendorLine = form->StatusBar1->PanelText(1);
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_TRUE(form->SpeedButton2->isEnabled());
    EXPECT_EQ(form->RunRowCount(), 1);
    EXPECT_EQ(form->StatusBar1->PanelText(1), "\xD5\xFD\xD4\xDA\xCD\xA3\xD6\xB9\xA1\xAD"); // 正在停止…
    server.Release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->StatusBar1->PanelText(1) == vendorLine; }, 20000));
}

TEST_F(MainFormShell, ADatabaseThatCannotBeWrittenCostsAStatusBarNoticeNotTheCheck)
{
    fs::create_directory("linkwatch.db");
    writeSiteList(OneEntry);
    open();
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    // 历史记录未保存 (1 条结果): <folder>/linkwatch.db: …
    const Text notice
        = "\xC0\xFA\xCA\xB7\xBC\xC7\xC2\xBC\xCE\xB4\xB1\xA3\xB4\xE6 (1 \xCC\xF5\xBD\xE1\xB9\xFB): "
        + (fs::current_path() / "linkwatch.db: ").string();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->StatusBar1->PanelText(1).starts_with(notice); }, 20000))
        << form->StatusBar1->PanelText(1);
    EXPECT_EQ(QStringToCell(form->StatusBar1->toolTip()), form->StatusBar1->PanelText(1));
    EXPECT_EQ(form->RunGrid->Cells(ResultVerdictCol, 1), verdictNotFound);
}

TEST_F(MainFormShell, ClosingWithoutEditsAsksNothing)
{
    writeSiteList(OneEntry);
    open();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(questions, 0);
}

TEST_F(MainFormShell, ClosingAfterASaveAsksNothing)
{
    writeSiteList(OneEntry);
    open();
    form->EditGrid->SetCells(SiteNameCol, 1, "Renamed");
    form->SpeedButton1->click();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(questions, 0);
}

TEST_F(MainFormShell, CancelKeepsTheWindowAndTheEdits)
{
    writeSiteList(OneEntry);
    open();
    form->EditGrid->SetCells(SiteNameCol, 1, "Renamed");
    answer = CloseAnswer::Cancel;
    EXPECT_FALSE(form->close());
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(readSiteList(), OneEntry);
}

TEST_F(MainFormShell, CloseWithoutSavingLeavesTheFileAlone)
{
    writeSiteList(OneEntry);
    open();
    form->EditGrid->SetCells(SiteNameCol, 1, "Renamed");
    answer = CloseAnswer::CloseWithoutSaving;
    EXPECT_TRUE(form->close());
    EXPECT_EQ(readSiteList(), OneEntry);
}

TEST_F(MainFormShell, SaveAndCloseWritesTheFileFirst)
{
    writeSiteList(OneEntry);
    open();
    form->EditGrid->SetCells(SiteNameCol, 1, "Renamed");
    answer = CloseAnswer::SaveAndClose;
    EXPECT_TRUE(form->close());
    EXPECT_NE(readSiteList().find("0,1,Renamed"), Text::npos);
}

TEST_F(MainFormShell, AFailedSaveKeepsTheWindowOpen)
{
    writeSiteList(OneEntry);
    open();
    form->EditGrid->SetCells(SiteNameCol, 1, "Renamed");
    fs::remove(SiteListDiskName);
    fs::create_directory(SiteListDiskName);
    answer = CloseAnswer::SaveAndClose;
    EXPECT_FALSE(form->close());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].startsWith("Cannot Create"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->EditGrid->Cells(SiteNameCol, 1), "Renamed");
}

}

namespace {

// The number of pixels of image whose colour is not background.
int inked(const QImage& image, QRgb background)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != background ? 1 : 0;
    return count;
}

TEST_F(MainFormShell, AFailedAdPageShowsItsNoticeInsideTheFrame)
{
    outside.adLoader = [](const Text&) { return TBrowserPane::Page {}; };
    open();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->WebBrowser1->Busy(); }, 5000));
    QCoreApplication::processEvents();
    const QImage frame = form->Panel5->grab().toImage();
    EXPECT_GT(inked(frame, frame.pixel(frame.width() - 2, frame.height() - 2)), 20);
}

}
