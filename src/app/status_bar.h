#pragma once

#include "base/text.h"

#include <QFrame>
#include <QTimer>
#include <chrono>
#include <vector>

class QLabel;

// A status bar of panels side by side, each a fixed width with its text
// centred; a click anywhere on the bar emits clicked. A notice takes a panel
// over for a while: its text, from the left, with the whole text as the
// bar's tool tip; then the panel's own text comes back. GUI thread only.
class TStatusBar : public QFrame
{
    Q_OBJECT

public:
    explicit TStatusBar(QWidget* parent = nullptr);

    // Appends a panel width pixels wide showing text.
    void AddPanel(int width, const Text& text);
    int PanelCount() const { return static_cast<int>(m_panels.size()); }
    Text PanelText(int index) const;
    void SetPanelText(int index, const Text& text);
    int PanelWidth(int index) const;
    // Shows text in panel index for duration; a later notice replaces it and
    // starts the duration again.
    void ShowNotice(int index, const Text& text, std::chrono::milliseconds duration);
    // Ends the notice in panel index early, if that panel still shows text.
    void EndNotice(int index, const Text& text);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void endNotice();

    std::vector<QLabel*> m_panels;
    QTimer m_noticeTimer;
    // The panel a notice shows in, and the text it had before.
    int m_noticePanel = -1;
    Text m_textBeforeNotice;
};
