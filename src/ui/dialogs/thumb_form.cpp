#include "ui/dialogs/thumb_form.h"

#include "engine/language.h"
#include "engine/settings_keys.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tarvix {

TThumbForm::TThumbForm(const QString& languageFile, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName("ThumbForm");
    setWindowTitle("Thumbnails in Row");

    udQty = new QSpinBox(this);
    udQty->setObjectName("udQty");
    // Nothing but a number from 1 to 20 can stand in it.
    udQty->setRange(SettingsKeys::ThumbsInRowMin, SettingsKeys::ThumbsInRowMax);
    udQty->setValue(1);
    leQty = new QLabel(this);
    leQty->setObjectName("leQty");
    leQty->setBuddy(udQty);

    btnOk = new QPushButton("&OK", this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setObjectName("btnCancel");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(btnOk, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(leQty, udQty);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Language = new TLanguage(this);
    Language->SetLanguageFile(languageFile);
    Language->Properties() = { "ThumbForm.Caption", "ThumbForm.btnOk.Caption", "ThumbForm.btnCancel.Caption" };
    Language->Translate();
    leQty->setText(windowTitle());
}

} // namespace tarvix
