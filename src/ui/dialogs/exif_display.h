#pragma once

#include "engine/exif_tags.h"

#include <QDialog>
#include <QIcon>

class QAction;
class QPushButton;
class QTreeWidget;

namespace tarvix {

class TLanguage;

// "EXIF Properties": the readable EXIF values of one picture in a read-only list of
// "Tag" and "Value", in the language of the file given. Nothing here touches the picture:
// the rows are handed in.
class TFormExif : public QDialog {
    Q_OBJECT

public:
    TFormExif(const QString& languageFile, QWidget* owner);

    void SetRows(const QList<ExifRow>& rows);
    // The selected rows as "Tag<TAB>Value" lines, in the list's order.
    QString SelectedRowsText() const;

    QTreeWidget* ListView;
    QPushButton* btnOk;
    QAction* CopyAction; // Ctrl+C and the list's context menu
    QIcon ImageList; // the one picture at the start of every row
    TLanguage* Language;

protected:
    // Esc and the close box end the dialog as OK does: there is nothing to cancel.
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitToRows();
};

} // namespace tarvix
