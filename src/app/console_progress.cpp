#include "app/console_progress.h"

#include <unistd.h>

namespace tarvix {

namespace {

volatile std::sig_atomic_t InterruptRequested = 0;

void OnInterrupt(int)
{
    InterruptRequested = 1;
}

constexpr int BarWidth = 30;

} // namespace

ConsoleProgress::ConsoleProgress(FILE* output, std::function<void()> onDestroy)
    : FOutput(output)
    , FOnDestroy(std::move(onDestroy))
    , FDrawing(::isatty(::fileno(output)) == 1)
{
    InterruptRequested = 0;
    struct sigaction action { };
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Restarted calls: the file being written must not fail with EINTR.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, &FPreviousInterrupt);
}

ConsoleProgress::~ConsoleProgress()
{
    ::sigaction(SIGINT, &FPreviousInterrupt, nullptr);
    if (FOnScreen)
        std::fputs("\n", FOutput);
    if (FOnDestroy)
        FOnDestroy();
}

void ConsoleProgress::SetLabelText(const QString& text)
{
    FLabel = text;
    Draw();
}

void ConsoleProgress::SetProgressBounds(int from, int to)
{
    FFrom = from;
    FTo = qMax(from, to);
    FPosition = FFrom;
    FBounded = true;
    Draw();
}

void ConsoleProgress::SetProgressBy(int by)
{
    FPosition = qBound(FFrom, FPosition + by, FTo);
    Draw();
}

bool ConsoleProgress::WantCancel() const
{
    return InterruptRequested != 0;
}

void ConsoleProgress::ClearLine()
{
    if (!FOnScreen)
        return;
    std::fputs("\r\033[K", FOutput);
    std::fflush(FOutput);
    FOnScreen = false;
}

void ConsoleProgress::Draw()
{
    if (!FDrawing || !FBounded)
        return;
    const long long span = FTo - FFrom;
    const int filled = span > 0 ? static_cast<int>((FPosition - FFrom) * BarWidth / span) : 0;
    const QString bar = QString(filled, u'#') + QString(BarWidth - filled, u'-');
    const QString line = QStringLiteral("\r%1 [%2] %3/%4\033[K").arg(FLabel, bar).arg(FPosition - FFrom).arg(span);
    std::fputs(line.toLocal8Bit().constData(), FOutput);
    std::fflush(FOutput);
    FOnScreen = true;
}

} // namespace tarvix
