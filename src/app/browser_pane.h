#pragma once

#include "base/text.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

class GuiHandoff;
class QTextBrowser;

// A light browser pane: it can navigate to an http or https address and stop
// loading, nothing else. The page is fetched with one GET off the GUI thread
// and shown as inert formatted text: links are never followed, and nothing
// but the page itself is fetched (no images, style sheets or local files).
//
// A fetched page is shown only if no Stop or newer Navigate came after the
// Navigate that asked for it. At most one fetch per pane is in flight; a
// Navigate made meanwhile waits for it, so a server that never answers holds
// one thread, not one per Navigate. A failed page shows a short notice.
//
// Thread: GUI thread; Navigate and Stop return at once. Navigate throws
// std::invalid_argument for an address that is not http or https.
class TBrowserPane : public QWidget
{
    Q_OBJECT

public:
    // What one fetch brought back.
    struct Page {
        bool loaded = false; // false when the page could not be fetched
        Text contentType;
        Text body;
    };
    // Fetches one page; runs on a background thread, must not touch the pane.
    using PageLoader = std::function<Page(const Text& url)>;

    explicit TBrowserPane(QWidget* parent = nullptr);
    ~TBrowserPane() override;

    void Navigate(const Text& url);
    void Stop();

    // The address of the last Navigate, empty before the first.
    const Text& LocationURL() const { return m_url; }
    // True while a fetch is in flight or waiting for one.
    bool Busy() const { return m_fetchInFlight || m_fetchWanted; }
    QTextBrowser* View() const { return m_view; }
    void SetPageLoader(PageLoader loader) { m_loader = std::move(loader); }

    // The default loader: one GET with THTTPSend, each wait bounded.
    static Page FetchPage(const Text& url);

signals:
    // A fetched page or its failure notice is now on show.
    void pageShown();

private:
    void startWantedFetch();
    void onFetched(std::uint64_t navigation, const Page& page);
    void showPage(const Page& page);

    QTextBrowser* m_view;
    std::unique_ptr<GuiHandoff> m_handoff;
    PageLoader m_loader;
    Text m_url;
    // Raised by every Navigate and Stop; a fetch is shown only if it still matches.
    std::uint64_t m_navigation = 0;
    bool m_fetchInFlight = false;
    bool m_fetchWanted = false;
};
