// undo_cost FOLDER [ROUNDS]
//
// What keeping the undo copies costs a turn: turns the JPEG files of FOLDER to the right
// through TransformFiles, once as they are and once with an undo recorder, on fresh copies
// each time (page caches warm), alternating which goes first, and prints the best time of
// each and their ratio. The cache folder lies beside the copies, on the same disk.
#include "engine/dialogs.h"
#include "engine/language.h"
#include "engine/transform_pipeline.h"
#include "engine/undo_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace tarvix;

namespace {

class Silent : public Dialogs {
public:
    bool AskYesNo(const QString&, const QString&, Icon) override { return true; }
    void ShowMessage(const QString&, const QString&, Icon) override { }
    CropAnswer AskCropWarning(const QString&, const QString&) override { return { true, false }; }
    std::unique_ptr<Progress> CreateProgress() override { return nullptr; }
    void ProcessEvents() override { }
};

QStringList CopyFolder(const QStringList& files, const QString& to)
{
    QDir().mkpath(to);
    QStringList copies;
    for (const QString& file : files) {
        const QString copy = to + '/' + QFileInfo(file).fileName();
        QFile::copy(file, copy);
        QFile in(copy);
        if (in.open(QIODevice::ReadOnly))
            in.readAll(); // warm
        copies.append(copy);
    }
    return copies;
}

// Processor time of every thread of the process so far, in milliseconds.
double CpuMs()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Times {
    double Wall = 0;
    double Cpu = 0;
};

// One turn of fresh copies. On a machine shared with other work the wall time wanders; the
// processor time tells what the turn itself costs.
Times TurnOnce(const QStringList& files, const QString& work, bool record)
{
    QDir(work).removeRecursively();
    const QStringList copies = CopyFolder(files, work + "/photos");
    ::sync();
    QList<PipelineFile> list;
    for (const QString& copy : copies)
        list.append({ copy, TransformCode::RotateRight });
    TLanguage language;
    Silent dialogs;
    PipelineSettings settings;
    settings.CropWarning = false;
    settings.Silent = true;
    UndoStore store(record ? qint64(8) << 30 : 0, work + "/cache/tarvix/undo");
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuMs();
    const std::shared_ptr<UndoRecorder> recorder = store.BeginStep();
    settings.Undo = recorder;
    TransformFiles(language, list, dialogs, nullptr, settings);
    store.FinishStep(recorder);
    const Times took { double(timer.nsecsElapsed()) / 1e6, CpuMs() - cpu };
    if (record && !store.CanUndo())
        std::fprintf(stderr, "the step was not kept\n");
    return took;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [ROUNDS]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QStringList files;
    for (const QFileInfo& info :
        QDir(QString::fromLocal8Bit(argv[1])).entryInfoList({ "*.jpg", "*.JPG" }, QDir::Files, QDir::Name))
        files.append(info.absoluteFilePath());
    if (files.isEmpty()) {
        std::fprintf(stderr, "no JPEG files in %s\n", argv[1]);
        return 1;
    }
    QTemporaryDir work;
    std::vector<Times> plain;
    std::vector<Times> recorded;
    for (int round = 0; round < rounds; ++round) {
        for (const bool record : { round % 2 == 1, round % 2 == 0 }) {
            const Times took = TurnOnce(files, work.path() + "/run", record);
            (record ? recorded : plain).push_back(took);
            std::fprintf(stderr, "round %d %-13s %9.1f ms, processor %9.1f ms\n", round + 1,
                record ? "with undo" : "without undo", took.Wall, took.Cpu);
        }
    }
    const auto best = [](const std::vector<Times>& runs, double Times::*of) {
        double least = runs.front().*of;
        for (const Times& t : runs)
            least = std::min(least, t.*of);
        return least;
    };
    const double n = double(files.size());
    std::printf("files                        %lld, best of %d rounds\n", static_cast<long long>(files.size()), rounds);
    for (const auto& [what, of] : { std::pair { "wall", &Times::Wall }, std::pair { "processor", &Times::Cpu } }) {
        const double a = best(plain, of);
        const double b = best(recorded, of);
        std::printf("%-9s without undo       %9.1f ms total, %6.1f ms per file\n", what, a, a / n);
        std::printf("%-9s keeping undo copies%9.1f ms total, %6.1f ms per file\n", what, b, b / n);
        std::printf("%-9s ratio              %9.2f   (goal: at most 1.10)\n", what, b / a);
    }
    return 0;
}
