#include "ui/main_window.h"

#include "engine/language.h"

#include <QApplication>

TFormTarvix::TFormTarvix(QWidget* parent)
    : QMainWindow(parent)
    , FLanguage(new TLanguage(this))
{
    setObjectName("FormTarvix");
    setWindowTitle(QApplication::applicationDisplayName());
    setMinimumSize(800, 600);
}

TFormTarvix::~TFormTarvix() = default;
