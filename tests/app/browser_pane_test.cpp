#include "app/browser_pane.h"
#include "grid/cell_grid_text.h"
#include "support/loopback_http_server.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace {

// 页面暂时无法显示 ("the page cannot be shown for now")
constexpr char failureNotice[] = "\xD2\xB3\xC3\xE6\xD4\xDD\xCA\xB1\xCE\xDE\xB7\xA8\xCF\xD4\xCA\xBE";

// A page loader that waits until the test lets it go, and records what it
// was asked for and how many loads ran at once. Its state is shared with the
// loads, so a load still running when a test ends finds it intact.
class GatedLoader
{
public:
    TBrowserPane::PageLoader Loader()
    {
        return [state = m_state](const Text& url) {
            std::unique_lock lock(state->mutex);
            state->urls.push_back(url);
            ++state->running;
            state->mostRunning = std::max(state->mostRunning, state->running);
            state->changed.wait(lock, [&state] { return state->open; });
            --state->running;
            ++state->finished;
            state->changed.notify_all();
            return TBrowserPane::Page { true, "text/html", "<p>page " + url + "</p>" };
        };
    }
    void Open()
    {
        std::lock_guard lock(m_state->mutex);
        m_state->open = true;
        m_state->changed.notify_all();
    }
    std::vector<Text> Urls()
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->urls;
    }
    int MostRunning()
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->mostRunning;
    }
    // Waits, bounded, until count loads have returned.
    bool WaitFinished(int count)
    {
        std::unique_lock lock(m_state->mutex);
        return m_state->changed.wait_for(
            lock, std::chrono::seconds(10), [&] { return m_state->finished >= count; });
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<Text> urls;
        bool open = false;
        int running = 0;
        int mostRunning = 0;
        int finished = 0;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

class BrowserPaneTest : public testing::Test
{
protected:
    void TearDown() override
    {
        gate.Open();
        pane.reset();
    }

    bool WaitIdle()
    {
        return QTest::qWaitFor([this] { return pane && !pane->Busy(); }, 15000);
    }
    QString Shown() const { return pane->View()->toPlainText(); }

    GatedLoader gate;
    std::unique_ptr<TBrowserPane> pane = std::make_unique<TBrowserPane>();
};

TEST_F(BrowserPaneTest, ShowsTheFetchedPageAsText)
{
    LoopbackHttpServer server([](const std::string&) {
        return LoopbackHttpServer::Reply("200 OK", "<html><body><p>Hello <b>ads</b></p></body></html>");
    });
    QSignalSpy shown(pane.get(), &TBrowserPane::pageShown);
    pane->Navigate(server.Url("/ad/add1.htm"));
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(Shown(), QStringLiteral("Hello ads"));
    EXPECT_EQ(pane->LocationURL(), server.Url("/ad/add1.htm"));
    EXPECT_EQ(server.Requests(), 1);
}

TEST_F(BrowserPaneTest, DecodesGbkPagesAndPagesThatSayUtf8)
{
    // 友情 ("friendship") in GBK, then in UTF-8 with a meta charset.
    LoopbackHttpServer server([](const std::string& head) {
        if (head.rfind("GET /gbk", 0) == 0)
            return LoopbackHttpServer::Reply("200 OK", "<p>\xD3\xD1\xC7\xE9</p>");
        return LoopbackHttpServer::Reply("200 OK", "<meta charset=\"utf-8\"><p>\xE5\x8F\x8B\xE6\x83\x85</p>");
    });
    QSignalSpy shown(pane.get(), &TBrowserPane::pageShown);
    pane->Navigate(server.Url("/gbk"));
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(Shown(), QString::fromUtf8("\xE5\x8F\x8B\xE6\x83\x85"));
    pane->Navigate(server.Url("/utf8"));
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(Shown(), QString::fromUtf8("\xE5\x8F\x8B\xE6\x83\x85"));
}

TEST_F(BrowserPaneTest, AFailedPageShowsAShortNotice)
{
    LoopbackHttpServer server(
        [](const std::string&) { return LoopbackHttpServer::Reply("404 Not Found", "x"); });
    QSignalSpy shown(pane.get(), &TBrowserPane::pageShown);
    pane->Navigate(server.Url("/missing"));
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(QStringToCell(Shown()), failureNotice);
}

TEST_F(BrowserPaneTest, RefusesAddressesThatAreNotHttp)
{
    pane->SetPageLoader(gate.Loader());
    for (const Text url : { "file:///etc/passwd", "ftp://example.com/", "no scheme", "" })
        EXPECT_THROW(pane->Navigate(url), std::invalid_argument) << url;
    EXPECT_NO_THROW(pane->Navigate("HTTPS://example.com/"));
}

TEST_F(BrowserPaneTest, FetchesNothingButThePage)
{
    QTemporaryFile local;
    ASSERT_TRUE(local.open());
    local.write("GIF89a");
    local.flush();
    const QUrl url = QUrl::fromLocalFile(local.fileName());
    EXPECT_FALSE(pane->View()->loadResource(QTextDocument::ImageResource, url).isValid());
    EXPECT_FALSE(pane->View()->loadResource(QTextDocument::StyleSheetResource, url).isValid());
}

TEST_F(BrowserPaneTest, AClickedLinkOpensNothing)
{
    pane->SetPageLoader([](const Text&) {
        return TBrowserPane::Page { true, "text/html", "<a href=\"http://elsewhere.example/\">go</a>" };
    });
    QSignalSpy shown(pane.get(), &TBrowserPane::pageShown);
    pane->show();
    pane->Navigate("http://ads.example/");
    ASSERT_TRUE(shown.wait(10000));
    QSignalSpy clicked(pane->View(), &QTextBrowser::anchorClicked);
    pane->View()->setFocus();
    QTest::keyClick(pane->View(), Qt::Key_Tab);
    QTest::keyClick(pane->View(), Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(pane->View()->source().isEmpty());
    EXPECT_EQ(Shown(), QStringLiteral("go"));
    EXPECT_FALSE(pane->Busy());
}

TEST_F(BrowserPaneTest, StopDropsThePageInFlight)
{
    pane->SetPageLoader(gate.Loader());
    QSignalSpy shown(pane.get(), &TBrowserPane::pageShown);
    pane->Navigate("http://ads.example/1");
    pane->Stop();
    gate.Open();
    ASSERT_TRUE(WaitIdle());
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.count(), 0);
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(BrowserPaneTest, ANewerNavigateWinsAndLoadsOneAtATime)
{
    pane->SetPageLoader(gate.Loader());
    QSignalSpy shown(pane.get(), &TBrowserPane::pageShown);
    for (int page = 1; page <= 5; ++page)
        pane->Navigate("http://ads.example/" + std::to_string(page));
    gate.Open();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(gate.Urls(), (std::vector<Text> { "http://ads.example/1", "http://ads.example/5" }));
    EXPECT_EQ(gate.MostRunning(), 1);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(Shown(), QStringLiteral("page http://ads.example/5"));
}

TEST_F(BrowserPaneTest, AServerThatNeverAnswersBlocksNothing)
{
    LoopbackHttpServer server([](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "late"); });
    server.Hold();
    QElapsedTimer clock;
    clock.start();
    for (int page = 1; page <= 3; ++page)
        pane->Navigate(server.Url("/ad/" + std::to_string(page)));
    EXPECT_LT(clock.elapsed(), 1000);
    bool ticked = false;
    QTimer::singleShot(10, [&ticked] { ticked = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticked; }, 1000));
    EXPECT_TRUE(pane->Busy());
    EXPECT_LE(server.Requests(), 1);
    pane.reset();
    server.Release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.Answered() == 1; }, 10000));
}

TEST_F(BrowserPaneTest, APaneClosedWhileLoadingIsLeftAlone)
{
    pane->SetPageLoader(gate.Loader());
    pane->Navigate("http://ads.example/1");
    pane.reset();
    gate.Open();
    ASSERT_TRUE(gate.WaitFinished(1));
    QCoreApplication::processEvents();
}

}
