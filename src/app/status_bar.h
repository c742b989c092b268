#pragma once

#include "base/text.h"

#include <QFrame>
#include <vector>

class QLabel;

// A status bar of panels side by side, each a fixed width with its text
// centred; a click anywhere on the bar emits clicked. GUI thread only.
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

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::vector<QLabel*> m_panels;
};
