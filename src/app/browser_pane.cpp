#include "app/browser_pane.h"

#include "app/gui_handoff.h"
#include "base/gbk_codec.h"
#include "grid/cell_grid_text.h"
#include "net/http_send.h"
#include "net/http_text.h"

#include <QTextBrowser>
#include <QTextFrame>
#include <QVBoxLayout>
#include <stdexcept>
#include <thread>

namespace {

// 页面暂时无法显示 ("the page cannot be shown for now")
constexpr char failureNotice[] = "\xD2\xB3\xC3\xE6\xD4\xDD\xCA\xB1\xCE\xDE\xB7\xA8\xCF\xD4\xCA\xBE";
constexpr std::int32_t fetchTimeoutMs = 10000;
// Pages are small advertisements; anything longer is cut before it is shown.
constexpr std::size_t shownBytesLimit = 256 * 1024;

// A text view that never fetches: images, style sheets and other resources a
// page names are neither loaded from the network nor read from local files.
class InertTextBrowser : public QTextBrowser
{
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

bool namesUtf8(const Text& text)
{
    const Text lower = LowerAscii(text.substr(0, 2048));
    return lower.find("charset=utf-8") != Text::npos || lower.find("charset=\"utf-8") != Text::npos;
}

QString decodePage(const TBrowserPane::Page& page)
{
    const Text body = page.body.substr(0, shownBytesLimit);
    if (namesUtf8(page.contentType) || namesUtf8(body))
        return QString::fromUtf8(body.data(), static_cast<qsizetype>(body.size()));
    return QString::fromUtf8(GbkToUtf8(body));
}

// The notice keeps clear of the pane's top-left corner, which the window may
// hide behind the frame around the pane; pages keep the usual margin.
constexpr int noticeTopMargin = 20;
constexpr int noticeLeftMargin = 16;

void setPageMargins(QTextBrowser& view, qreal top, qreal left)
{
    QTextFrameFormat format = view.document()->rootFrame()->frameFormat();
    format.setTopMargin(top);
    format.setLeftMargin(left);
    view.document()->rootFrame()->setFrameFormat(format);
}

bool isHtml(const TBrowserPane::Page& page)
{
    if (LowerAscii(page.contentType).find("text/plain") != Text::npos)
        return false;
    return LowerAscii(page.body.substr(0, 2048)).find('<') != Text::npos;
}

}

TBrowserPane::TBrowserPane(QWidget* parent)
    : QWidget(parent)
    , m_view(new InertTextBrowser(this))
    , m_handoff(std::make_unique<GuiHandoff>())
    , m_loader(&TBrowserPane::FetchPage)
{
    m_view->setOpenLinks(false);
    m_view->setOpenExternalLinks(false);
    m_view->setUndoRedoEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

TBrowserPane::~TBrowserPane()
{
    // A fetch still in flight finds the handoff gone and shows nothing.
    m_handoff.reset();
}

void TBrowserPane::Navigate(const Text& url)
{
    const Text scheme = LowerAscii(url.substr(0, url.find("://")));
    if (url.find("://") == Text::npos || (scheme != "http" && scheme != "https"))
        throw std::invalid_argument("Cannot navigate to " + url);
    m_url = url;
    ++m_navigation;
    m_fetchWanted = true;
    startWantedFetch();
}

void TBrowserPane::Stop()
{
    ++m_navigation;
    m_fetchWanted = false;
}

void TBrowserPane::startWantedFetch()
{
    if (m_fetchInFlight || !m_fetchWanted)
        return;
    m_fetchWanted = false;
    m_fetchInFlight = true;
    std::thread([channel = m_handoff->channel(), loader = m_loader, url = m_url, navigation = m_navigation,
                    pane = this] {
        Page page;
        // A fetch that fails in any way is a page that could not be shown;
        // the pane must hear back either way, or it would wait for ever.
        try {
            page = loader(url);
        } catch (...) {
            page = Page();
        }
        channel->Post([pane, navigation, page = std::move(page)] {
            pane->onFetched(navigation, page); // runs on the GUI thread
        });
    }).detach();
}

void TBrowserPane::onFetched(std::uint64_t navigation, const Page& page)
{
    m_fetchInFlight = false;
    if (navigation == m_navigation)
        showPage(page);
    startWantedFetch();
}

void TBrowserPane::showPage(const Page& page)
{
    if (!page.loaded)
        m_view->setPlainText(CellToQString(failureNotice));
    else if (isHtml(page))
        m_view->setHtml(decodePage(page));
    else
        m_view->setPlainText(decodePage(page));
    const qreal usual = m_view->document()->documentMargin();
    if (page.loaded)
        setPageMargins(*m_view, usual, usual);
    else
        setPageMargins(*m_view, noticeTopMargin, noticeLeftMargin);
    emit pageShown();
}

TBrowserPane::Page TBrowserPane::FetchPage(const Text& url)
{
    Page page;
    THTTPSend http;
    http.Timeout = fetchTimeoutMs;
    const bool exchanged = http.ExecuteRequest("GET", url);
    const std::int32_t code = http.ResultCode();
    page.loaded = exchanged && code >= 200 && code < 300;
    for (const Text& line : http.Headers().Lines()) {
        if (LowerAscii(line.substr(0, 13)) == "content-type:")
            page.contentType = TrimControls(line.substr(13));
    }
    const MemoryStream& document = http.Document();
    page.body.assign(document.Data(), static_cast<std::size_t>(document.Size()));
    return page;
}
