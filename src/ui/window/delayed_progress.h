#pragma once

#include "engine/dialogs.h"

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>

namespace tarvix {

// A progress window that shows only when the work lasts: a turn of two pictures, or a folder
// listed in a moment, flashes no window by. It takes every setting at once and shows the
// window, with all of them, once `delay` has passed at a call of SetProgressBy or WantCancel.
// `stop`, when given, counts as Cancel too (the main window being closed).
class DelayedProgress : public Dialogs::Progress {
public:
    DelayedProgress(Dialogs& dialogs, int delayMs, std::function<bool()> stop = {});

    void SetLabelText(const QString& text) override;
    void SetButtonCaption(const QString& text) override;
    void SetProgressBounds(int from, int to) override;
    void SetProgressBy(int by) override;
    bool WantCancel() const override;

    // Takes the window away, for good: the work goes on under another.
    void Close();

private:
    void ShowWhenDue() const;

    Dialogs& FDialogs;
    int FDelay;
    std::function<bool()> FStop;
    QElapsedTimer FClock;
    QString FLabel;
    QString FButton;
    int FFrom = 0;
    int FTo = 0;
    int FSteps = 0;
    mutable std::unique_ptr<Dialogs::Progress> FShown;
    bool FClosed = false;
};

} // namespace tarvix
