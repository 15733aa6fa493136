#include "ui/main_window.h"

#include "engine/language.h"

#include <QApplication>

namespace tarvix {

TFormTarvix::TFormTarvix(QWidget* parent)
    : QMainWindow(parent)
    , FLanguage(new TLanguage(this))
{
    setObjectName("FormTarvix");
    setWindowTitle(QApplication::applicationDisplayName());
    setMinimumSize(800, 600);
}

TFormTarvix::~TFormTarvix() = default;

} // namespace tarvix
