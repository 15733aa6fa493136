#include "ui/window/delayed_progress.h"

namespace tarvix {

DelayedProgress::DelayedProgress(Dialogs& dialogs, int delayMs, std::function<bool()> stop)
    : FDialogs(dialogs)
    , FDelay(delayMs)
    , FStop(std::move(stop))
{
    FClock.start();
}

void DelayedProgress::SetLabelText(const QString& text)
{
    FLabel = text;
    if (FShown)
        FShown->SetLabelText(text);
}

void DelayedProgress::SetButtonCaption(const QString& text)
{
    FButton = text;
    if (FShown)
        FShown->SetButtonCaption(text);
}

void DelayedProgress::SetProgressBounds(int from, int to)
{
    FFrom = from;
    FTo = to;
    FSteps = 0;
    if (FShown)
        FShown->SetProgressBounds(from, to);
}

void DelayedProgress::SetProgressBy(int by)
{
    FSteps += by;
    if (FShown)
        FShown->SetProgressBy(by);
    else
        ShowWhenDue();
}

bool DelayedProgress::WantCancel() const
{
    if (FStop && FStop())
        return true;
    ShowWhenDue();
    return FShown && FShown->WantCancel();
}

void DelayedProgress::Close()
{
    FShown.reset();
    FClosed = true;
}

void DelayedProgress::ShowWhenDue() const
{
    if (FShown || FClosed || FClock.elapsed() < FDelay)
        return;
    FShown = FDialogs.CreateProgress();
    if (!FButton.isEmpty())
        FShown->SetButtonCaption(FButton);
    FShown->SetLabelText(FLabel);
    FShown->SetProgressBounds(FFrom, FTo);
    if (FSteps != 0)
        FShown->SetProgressBy(FSteps);
}

} // namespace tarvix
