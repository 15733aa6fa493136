#include "ui/dialogs/qt_dialogs.h"

#include "ui/dialogs/progress_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

// Every text of these boxes may hold a file's name or path: all are set as plain text, so that
// a name like "<b>x.jpg" shows as written.
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
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::ShowMessage(const QString& text, const QString& caption, Icon icon)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, FOwner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Dialogs::CropAnswer QtDialogs::AskCropWarning(const QString& text, const QString& checkBoxText)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
        QMessageBox::Ok | QMessageBox::Cancel, FOwner);
    box.setTextFormat(Qt::PlainText);
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
    // The label is a file's name: text, whatever it looks like.
    for (QLabel* shown : box.findChildren<QLabel*>())
        shown->setTextFormat(Qt::PlainText);
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
