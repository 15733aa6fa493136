#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

namespace tarvix {

class TLanguage;

// "Thumbnails in Row": the number of thumbnails per row, from 1 to 20, in the language of the
// file given.
class TThumbForm : public QDialog {
    Q_OBJECT

public:
    TThumbForm(const QString& languageFile, QWidget* owner);

    QLabel* leQty; // the label of the number; it shows the dialog's caption
    QSpinBox* udQty;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    TLanguage* Language;
};

} // namespace tarvix
