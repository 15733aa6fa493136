#include "ui/qt_dialogs.h"

#include "ui/progress_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QMessageBox>

namespace tarvix {

namespace {
QMessageBox::Icon BoxIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Error:
        return QMessageBox::Critical;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}
} // namespace

QtDialogs::QtDialogs(QWidget* owner)
    : FOwner(owner)
{
}

bool QtDialogs::AskYesNo(const QString& text, const QString& caption, Icon icon)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Yes | QMessageBox::No, FOwner);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::ShowMessage(const QString& text, const QString& caption, Icon icon)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, FOwner);
    box.exec();
}

Dialogs::CropAnswer QtDialogs::AskCropWarning(const QString& text, const QString& checkBoxText)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
        QMessageBox::Ok | QMessageBox::Cancel, FOwner);
    box.setDefaultButton(QMessageBox::Ok);
    auto* dontAskAgain = new QCheckBox(checkBoxText, &box);
    box.setCheckBox(dontAskAgain);
    const bool ok = box.exec() == QMessageBox::Ok;
    return { ok, dontAskAgain->isChecked() };
}

std::optional<QString> QtDialogs::AskText(const QString& caption, const QString& label, const QString& text)
{
    QInputDialog box(FOwner);
    box.setWindowTitle(caption);
    box.setLabelText(label);
    box.setTextValue(text);
    box.setInputMode(QInputDialog::TextInput);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

std::unique_ptr<Dialogs::Progress> QtDialogs::CreateProgress()
{
    return std::make_unique<TProgressWindow>(FOwner);
}

void QtDialogs::ProcessEvents()
{
    QApplication::processEvents();
}

} // namespace tarvix
