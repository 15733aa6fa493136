#pragma once

#include <QStatusBar>

class QLabel;

namespace tarvix {

// The window's status bar: panel 0 for what is known of the chosen image, panel 1 for the
// file count. Both grow for longer translations; they are never narrower than designed.
class TStatusBar : public QStatusBar {
    Q_OBJECT

public:
    explicit TStatusBar(QWidget* parent);

    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);

private:
    QLabel* Panel(int panel) const;

    QLabel* FPanels[2];
};

} // namespace tarvix
