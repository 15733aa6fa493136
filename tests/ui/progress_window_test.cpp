#include "support/qt_printers.h"
#include "ui/dialogs/progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

void DeleteDeferred()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(ProgressWindowPlace, CentresOverTheOwnerOrTheScreenHalvingEachSizeOnItsOwn)
{
    EXPECT_EQ(ProgressWindowPlace(QRect(100, 50, 800, 600), QSize(1920, 1080), QSize(305, 131)), QPoint(348, 285));
    EXPECT_EQ(ProgressWindowPlace(std::nullopt, QSize(1920, 1080), QSize(305, 131)), QPoint(808, 475));
    EXPECT_EQ(ProgressWindowPlace(QRect(-5, 0, 11, 11), QSize(), QSize(3, 3)), QPoint(-1, 4));
}

TEST(ProgressWindow, ShowsTheDesignedDialogOverItsOwner)
{
    QWidget owner;
    owner.setGeometry(100, 50, 800, 600);
    owner.show();
    auto progress = std::make_unique<TProgressWindow>(&owner);
    TfrmWait* form = progress->Form();
    ASSERT_NE(form, nullptr);
    EXPECT_STREQ(form->metaObject()->className(), "TfrmWait");
    EXPECT_TRUE(form->isVisible());
    EXPECT_GE(form->width(), 284);
    EXPECT_EQ(form->frameGeometry().topLeft(),
        ProgressWindowPlace(owner.frameGeometry(), QSize(), form->frameGeometry().size()));
    EXPECT_EQ(form->btnCancel->text(), "&Cancel");
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowCloseButtonHint));

    progress->SetLabelText("Transformation is in progress...");
    progress->SetProgressBounds(0, 3);
    EXPECT_EQ(form->lblInfo->text(), "Transformation is in progress...");
    EXPECT_EQ(form->ProgressBar->maximum(), 3);
    for (int i = 0; i < 5; ++i)
        progress->SetProgressBy(1);
    EXPECT_EQ(form->ProgressBar->value(), 3); // held at the end
    progress->SetButtonCaption("Abbrechen");
    EXPECT_EQ(form->btnCancel->text(), "Abbrechen");

    // Gone from the screen at once, freed when the event loop next runs.
    QPointer<TfrmWait> watch = form;
    progress.reset();
    ASSERT_FALSE(watch.isNull());
    EXPECT_FALSE(watch->isVisible());
    DeleteDeferred();
    EXPECT_TRUE(watch.isNull());
}

// The desktop's font decides the sizes: at every size from 9 to 14 points, in English and in
// German, the label shows its whole text with room below for the descenders, and no part of
// the dialog touches another or the dialog's edge.
TEST(ProgressWindow, FitsItsTextsAtEveryFontSize)
{
    const QFont before = QApplication::font();
    for (const int points : { 9, 11, 14 }) {
        QFont font = before;
        font.setPointSize(points);
        QApplication::setFont(font);
        for (const QString& text : { QStringLiteral("Creating thumbnails, please wait..."),
                 QStringLiteral("Miniaturen werden erstellt, bitte warten...") }) {
            TProgressWindow progress;
            progress.SetLabelText(text);
            progress.SetButtonCaption("Abbrechen");
            TfrmWait* form = progress.Form();
            const QRect label = form->lblInfo->geometry();
            const QRect bar = form->ProgressBar->geometry();
            const QRect button = form->btnCancel->geometry();
            const QFontMetrics metrics(form->lblInfo->font());
            const QString where = QStringLiteral("%1 pt, %2").arg(points).arg(text);
            EXPECT_GE(label.height(), metrics.height()) << where.toStdString();
            EXPECT_GE(label.width(), metrics.horizontalAdvance(text)) << where.toStdString();
            EXPECT_GE(button.width(), QFontMetrics(form->btnCancel->font()).horizontalAdvance("Abbrechen"));
            EXPECT_GT(label.left(), 0);
            EXPECT_GT(label.top(), 0);
            EXPECT_LT(label.right(), form->width() - 1);
            EXPECT_LT(label.bottom(), bar.top());
            EXPECT_LT(bar.bottom(), button.top());
            EXPECT_GT(bar.left(), 0);
            EXPECT_LT(bar.right(), form->width() - 1);
            EXPECT_LT(button.bottom(), form->height() - 1);
            EXPECT_GE(form->width(), 284);
        }
    }
    QApplication::setFont(before);
}

TEST(ProgressWindow, OnlyCancelEndsItAndItIsNeverClosed)
{
    TProgressWindow progress;
    TfrmWait* form = progress.Form();
    EXPECT_FALSE(progress.WantCancel());

    QTest::keyClick(form, Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(form->close()); // the window manager's close is refused
    QCloseEvent closeEvent;
    QApplication::sendEvent(form, &closeEvent);
    EXPECT_FALSE(closeEvent.isAccepted());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(progress.WantCancel());

    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_TRUE(progress.WantCancel());
    EXPECT_TRUE(form->isVisible()); // Escape presses Cancel, it does not close
    EXPECT_TRUE(form->btnCancel->isEnabled());
    form->btnCancel->click();
    EXPECT_TRUE(progress.WantCancel());
}

TEST(ProgressWindow, TakesTheActivationBackFromTheMainWindow)
{
    QWidget owner;
    owner.show();
    owner.activateWindow();
    TProgressWindow progress(&owner);
    progress.Form()->activateWindow();
    progress.Update();
    if (QApplication::activeWindow() != progress.Form())
        GTEST_SKIP() << "this platform does not activate windows";

    owner.activateWindow();
    for (int i = 0; i < 5; ++i)
        progress.Update();
    EXPECT_EQ(QApplication::activeWindow(), progress.Form());
}
