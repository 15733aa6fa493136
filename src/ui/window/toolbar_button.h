#pragma once

#include <QToolButton>

namespace tarvix {

// A button of the window's toolbar: designed 68 x 44, wider for a longer caption, and never
// narrower than its caption in any language or font. Where the bar is too short the buttons
// that do not fit go behind its extension button instead of showing cut captions.
class TToolBarButton : public QToolButton {
public:
    using QToolButton::QToolButton;

    QSize sizeHint() const override { return QToolButton::sizeHint().expandedTo(QSize(68, 44)); }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace tarvix
