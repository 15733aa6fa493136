// thumbs_window FOLDER high|low REPETITIONS [--no-cache] [--rebuild-columns N]
//
// Loads FOLDER into the browser window REPETITIONS times, as a user's folder change does, and
// prints for every load the time of the whole load, the time until the grid first paints with
// twenty thumbnails in the store, the processor time the load took on all threads and the
// resident memory after it; last the process's peak resident memory. The window uses its
// thumbnail cache (in the private home's cache folder) unless --no-cache turns it off, so
// the first load writes it and the others are served by it; --rebuild-columns then times one
// more load after the grid changed to N thumbnails per row (a new cell size). Run through
// bench/thumbs.sh, which gives it the offscreen platform and a private home, so that the
// window's settings file and its cache are throwaway ones.
#include "engine/folder_scan.h"
#include "engine/image_info.h"
#include "engine/settings_keys.h"
#include "engine/settings_store.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/thumbnails/thumbnail_maker.h"
#include "ui/window/application.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sys/resource.h>

namespace tarvix {

namespace {

// The window's default shape, as the goals are stated for it.
constexpr int WindowWidth = 800;
constexpr int WindowHeight = 600;
constexpr int Columns = 5;
// The load repaints the grid once the first twenty are in.
constexpr int FirstPaintCount = 20;

// A "Vm...:   1234 kB" line of /proc/self/status in MB; -1 when there is none.
double StatusMegabytes(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            const QList<QByteArray> fields = line.mid(prefix.size()).simplified().split(' ');
            bool ok = false;
            const double kb = fields.value(0).toDouble(&ok);
            return ok ? kb / 1024 : -1;
        }
    }
    return -1;
}

// The processor time of every thread of the process so far, user and system.
double CpuMilliseconds()
{
    rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Runs the event loop for a moment, so that timers set by the window's resize (its rebuild
// after the size settled) are over before anything is timed.
void Settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Notes the first paint of the grid at which the store holds enough thumbnails.
class PaintWatch : public QObject {
public:
    PaintWatch(const ThumbnailModel& store, const QElapsedTimer& clock)
        : FStore(store)
        , FClock(clock)
    {
    }

    void Arm() { FPaintedAt = -1; }
    double PaintedAt() const { return FPaintedAt; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && FPaintedAt < 0 && FStore.Count() >= FirstPaintCount)
            FPaintedAt = double(FClock.nsecsElapsed()) / 1e6;
        return QObject::eventFilter(watched, event);
    }

private:
    const ThumbnailModel& FStore;
    const QElapsedTimer& FClock;
    double FPaintedAt = -1;
};

int Usage(const char* program)
{
    std::fprintf(stderr, "usage: %s FOLDER high|low REPETITIONS [--no-cache] [--rebuild-columns N]\n", program);
    return 2;
}

// One "run" line: the load's figures and the geometry they were made for.
void PrintRun(const char* label, TFormTarvix& window, QSize picture, const QByteArray& quality, double total,
    double first20, double cpu)
{
    const ThumbnailCell cell = window.DrawGrid->CellSize();
    const QSize target = ThumbnailTargetSize(picture, cell);
    std::printf("run %s files %d total_ms %.1f first20_ms %.1f cpu_ms %.1f rss_mb %.1f cell %dx%d box %dx%d "
                "target %dx%d picture %dx%d quality %s enlarge %d\n",
        label, window.Images().Count(), total, first20, cpu, StatusMegabytes("VmRSS"), cell.Width, cell.Height,
        cell.Width - 10, cell.Height - 30, target.width(), target.height(), picture.width(), picture.height(),
        quality.constData(), int(window.pmiEnlargeSmall->isChecked()));
    std::fflush(stdout);
}

int Run(int argc, char** argv)
{
    if (argc < 4)
        return Usage(argv[0]);
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QByteArray quality = argv[2];
    bool ok = false;
    const int repetitions = QByteArray(argv[3]).toInt(&ok);
    if (!QFileInfo(folder).isDir() || (quality != "high" && quality != "low") || !ok || repetitions < 1)
        return Usage(argv[0]);
    bool cache = true;
    int rebuildColumns = 0;
    for (int i = 4; i < argc; ++i) {
        const QByteArray option = argv[i];
        if (option == "--no-cache")
            cache = false;
        else if (option == "--rebuild-columns" && i + 1 < argc)
            rebuildColumns = QByteArray(argv[++i]).toInt();
        else
            return Usage(argv[0]);
    }
    if (rebuildColumns < 0 || rebuildColumns > SettingsKeys::ThumbsInRowMax)
        return Usage(argv[0]);
    // The window reads the limit when it shows; 0 turns the cache off.
    SettingsStore::Open().Write(SettingsKeys::ThumbnailCacheMB, cache ? SettingsKeys::ThumbnailCacheMB.Default : 0);
    TFormTarvix window(TFormTarvixServices {});
    window.resize(WindowWidth, WindowHeight);
    window.DrawGrid->SetColumnCount(Columns);
    window.show();
    // Showing loads the settings, which set the size and the columns of their own.
    window.resize(WindowWidth, WindowHeight);
    window.DrawGrid->SetColumnCount(Columns);
    Settle(500);
    (quality == "high" ? window.pmiHiQuality : window.pmiLowQuality)->setChecked(true);

    QElapsedTimer clock;
    PaintWatch watch(window.Images(), clock);
    window.DrawGrid->viewport()->installEventFilter(&watch);

    QStringList list;
    ListJpegFiles(folder, list, false);
    // The target size printed is that of the first file, or of a 12 MP photo when none reads.
    const ImageInfo first = list.isEmpty() ? ImageInfo() : OpenImageInfo(list.first());
    const QSize picture = first.IsImage ? QSize(first.Width, first.Height) : QSize(4000, 3000);
    const double rssBefore = StatusMegabytes("VmRSS");

    for (int r = 1; r <= repetitions + (rebuildColumns > 0 ? 1 : 0); ++r) {
        const bool rebuild = r > repetitions;
        if (rebuild) {
            window.DrawGrid->SetColumnCount(rebuildColumns);
            Settle(100);
        }
        watch.Arm();
        const double cpuBefore = CpuMilliseconds();
        clock.start();
        window.LoadFolder(folder);
        const double total = double(clock.nsecsElapsed()) / 1e6;
        // The last paint comes after the load; a folder of fewer than twenty is painted there.
        QApplication::processEvents();
        PrintRun(rebuild ? "rebuild" : QByteArray::number(r).constData(), window, picture, quality, total,
            watch.PaintedAt(), CpuMilliseconds() - cpuBefore);
    }
    std::printf("rss_before_mb %.1f peak_rss_mb %.1f\n", rssBefore, StatusMegabytes("VmHWM"));
    window.DrawGrid->viewport()->removeEventFilter(&watch);
    return 0;
}

} // namespace

} // namespace tarvix

int main(int argc, char** argv)
{
    // The window reads and writes its settings file: never a real one. Without a display of
    // its own the application would not even start.
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") || qgetenv("TARVIX_PORTABLE") != "0"
        || qgetenv("QT_QPA_PLATFORM") != "offscreen") {
        std::fprintf(stderr,
            "%s: set XDG_CONFIG_HOME to a private folder, TARVIX_PORTABLE=0 and QT_QPA_PLATFORM=offscreen "
            "(bench/thumbs.sh does)\n",
            argv[0]);
        return 2;
    }
    tarvix::ReturnLargeBlocksToTheSystem(); // as the program does
    QApplication app(argc, argv);
    return tarvix::Run(argc, argv);
}
