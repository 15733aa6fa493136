#pragma once

#include "engine/dialogs.h"

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

// Outside the program's namespace: the class name is how a second load of a folder finds
// the running one's progress window and brings it to the front.
// The small modeless dialog of every long loop: a line of text, a bar and Cancel. The user
// cannot close it; Cancel (or Escape) only raises a flag that the loop polls.
class TfrmWait : public QDialog {
    Q_OBJECT

public:
    explicit TfrmWait(QWidget* owner);

    QLabel* lblInfo;
    QProgressBar* ProgressBar;
    QPushButton* btnCancel;
    bool Cancel = false;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void reject() override;

private:
    void btnCancelClick();
    void FormDeactivate();
};

namespace tarvix {

// Creates, places, updates and disposes of one TfrmWait for one operation. Texts arrive
// already translated.
class TProgressWindow : public Dialogs::Progress {
public:
    // Shows the dialog centred over the owner's window, or on the primary screen.
    explicit TProgressWindow(QWidget* owner = nullptr);
    // Hides the dialog at once; the form itself goes when the event loop next runs.
    ~TProgressWindow() override;

    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

    void Update();
    void SetLabelText(const QString& s) override;
    void SetCaptionText(const QString& s);
    void SetButtonCaption(const QString& S) override; // does not pump events
    void SetProgressBounds(int nFrom, int nTo) override;
    void SetProgressBy(int By) override;
    bool WantCancel() const override;

    TfrmWait* Form() const { return frmWait; }

private:
    // Sizes the dialog to its texts and centres it over the owner's window, or on the screen.
    void Place();

    QPointer<TfrmWait> frmWait;
};

// Where the dialog's outer rectangle goes: centred over the owner's outer rectangle, or on
// a screen of the given size. Each half is truncated on its own before the subtraction.
QPoint ProgressWindowPlace(std::optional<QRect> ownerFrame, QSize screen, QSize dialogFrame);

} // namespace tarvix
