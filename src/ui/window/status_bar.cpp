#include "ui/window/status_bar.h"

#include <QLabel>

namespace tarvix {

TStatusBar::TStatusBar(QWidget* parent)
    : QStatusBar(parent)
{
    setObjectName("StatusBar");
    // Designed 550 and 50 wide in a window of 800. The first takes what the count leaves: a
    // minimum of 550 would cut the count off in a window that a large font or a scaled screen
    // makes narrower.
    const int widths[2] = { 100, 50 };
    for (int i = 0; i < 2; ++i) {
        FPanels[i] = new QLabel(this);
        FPanels[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        FPanels[i]->setMinimumWidth(widths[i]);
        FPanels[i]->setTextFormat(Qt::PlainText);
    }
    addWidget(FPanels[0], 1);
    addPermanentWidget(FPanels[1]);
    setSizeGripEnabled(true);
}

QLabel* TStatusBar::Panel(int panel) const
{
    return FPanels[panel == 1 ? 1 : 0];
}

QString TStatusBar::PanelText(int panel) const
{
    return Panel(panel)->text();
}

void TStatusBar::SetPanelText(int panel, const QString& text)
{
    Panel(panel)->setText(text);
    Panel(panel)->setAccessibleName(text);
}

} // namespace tarvix
