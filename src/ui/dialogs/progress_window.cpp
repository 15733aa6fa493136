#include "ui/dialogs/progress_window.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int DesignedWidth = 284;
} // namespace

TfrmWait::TfrmWait(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , lblInfo(new QLabel(this))
    , ProgressBar(new QProgressBar(this))
    , btnCancel(new QPushButton(QStringLiteral("&Cancel"), this))
{
    setObjectName(QStringLiteral("frmWait"));
    setWindowTitle(QString());
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);

    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setTextFormat(Qt::PlainText);
    lblInfo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setValue(ProgressBar->minimum());

    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmWait::btnCancelClick);

    // Sized by the desktop's font and style, with the style's margins: a fixed label height
    // cuts the descenders of larger fonts, and a longer translation widens the dialog. The
    // designed width is the least it takes.
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(lblInfo);
    column->addWidget(ProgressBar);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    column->addLayout(buttons);
    const QMargins margins = column->contentsMargins();
    ProgressBar->setMinimumWidth(DesignedWidth - margins.left() - margins.right());
    btnCancel->setMinimumWidth(75);
}

void TfrmWait::btnCancelClick()
{
    Cancel = true;
}

void TfrmWait::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F4 && event->modifiers().testFlag(Qt::AltModifier)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Escape: the dialog's Cancel button, never a close.
void TfrmWait::reject()
{
    btnCancel->click();
}

// The window manager's close (title bar, Alt+F4 outside the dialog's own keys) is refused;
// hiding the dialog is the controller's business.
void TfrmWait::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

bool TfrmWait::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate)
        QMetaObject::invokeMethod(this, &TfrmWait::FormDeactivate, Qt::QueuedConnection);
    return QDialog::event(event);
}

// The main window stays usable while the loop runs: a click there must not bury the
// dialog. Only a window of our own takes the activation back from us, and never a modal
// dialog (a question inside the loop), nor from a dialog that is going away.
void TfrmWait::FormDeactivate()
{
    QWidget* active = QApplication::activeWindow();
    if (!isVisible() || !isEnabled() || !active || active == this || QApplication::activeModalWidget())
        return;
    raise();
    activateWindow();
}

namespace tarvix {

QPoint ProgressWindowPlace(std::optional<QRect> ownerFrame, QSize screen, QSize dialogFrame)
{
    if (ownerFrame)
        return { ownerFrame->left() + ownerFrame->width() / 2 - dialogFrame.width() / 2,
            ownerFrame->top() + ownerFrame->height() / 2 - dialogFrame.height() / 2 };
    return { screen.width() / 2 - dialogFrame.width() / 2, screen.height() / 2 - dialogFrame.height() / 2 };
}

TProgressWindow::TProgressWindow(QWidget* owner)
    : frmWait(new TfrmWait(owner ? owner->window() : nullptr))
{
    Place();
    frmWait->Cancel = false;
    frmWait->show();
    frmWait->repaint();
}

void TProgressWindow::Place()
{
    frmWait->adjustSize();
    const QWidget* ownerWindow = frmWait->parentWidget();
    const QScreen* screen = QGuiApplication::primaryScreen();
    // The frame of a window not yet shown is unknown; the owner's own decoration is the
    // best estimate of what the window manager will add.
    QSize frame = frmWait->size();
    std::optional<QRect> ownerFrame;
    if (ownerWindow) {
        ownerFrame = ownerWindow->frameGeometry();
        frame += ownerFrame->size() - ownerWindow->size();
    } else if (frmWait->isVisible()) {
        frame = frmWait->frameGeometry().size();
    }
    frmWait->move(ProgressWindowPlace(ownerFrame, screen ? screen->size() : QSize(), frame));
}

TProgressWindow::~TProgressWindow()
{
    if (!frmWait)
        return;
    frmWait->hide();
    frmWait->deleteLater();
    frmWait = nullptr;
}

void TProgressWindow::Update()
{
    QApplication::processEvents();
}

void TProgressWindow::SetLabelText(const QString& s)
{
    if (frmWait) {
        const QSize before = frmWait->size();
        frmWait->lblInfo->setText(s);
        // A text wider than the last one widens the dialog: it stays centred.
        frmWait->layout()->activate();
        if (frmWait->size() != before)
            Place();
    }
    Update();
}

void TProgressWindow::SetCaptionText(const QString& s)
{
    if (frmWait)
        frmWait->setWindowTitle(s);
    Update();
}

void TProgressWindow::SetButtonCaption(const QString& S)
{
    if (!frmWait)
        return;
    const QSize before = frmWait->size();
    frmWait->btnCancel->setText(S);
    // Laid out now: this setter pumps no events, and the caption must fit at once.
    frmWait->layout()->activate();
    if (frmWait->size() != before)
        Place();
}

void TProgressWindow::SetProgressBounds(int nFrom, int nTo)
{
    if (frmWait) {
        frmWait->ProgressBar->setMinimum(nFrom);
        frmWait->ProgressBar->setMaximum(nTo);
    }
    Update();
}

void TProgressWindow::SetProgressBy(int By)
{
    if (frmWait) {
        QProgressBar* bar = frmWait->ProgressBar;
        // QProgressBar ignores a value beyond its range, so the clamp is ours.
        const qint64 next = qint64(qMax(bar->value(), bar->minimum())) + By;
        bar->setValue(static_cast<int>(qBound(qint64(bar->minimum()), next, qint64(bar->maximum()))));
    }
    Update();
}

bool TProgressWindow::WantCancel() const
{
    return frmWait && frmWait->Cancel;
}

} // namespace tarvix
