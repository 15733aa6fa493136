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

// Milliseconds for one turn of fresh copies.
double TurnOnce(const QStringList& files, const QString& work, bool record)
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
    const std::shared_ptr<UndoRecorder> recorder = store.BeginStep();
    settings.Undo = recorder;
    TransformFiles(language, list, dialogs, nullptr, settings);
    store.FinishStep(recorder);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (record && !store.CanUndo())
        std::fprintf(stderr, "the step was not kept\n");
    return ms;
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
    std::vector<double> plain;
    std::vector<double> recorded;
    for (int round = 0; round < rounds; ++round) {
        for (const bool record : { round % 2 == 1, round % 2 == 0 }) {
            const double ms = TurnOnce(files, work.path() + "/run", record);
            (record ? recorded : plain).push_back(ms);
            std::fprintf(stderr, "round %d %-13s %9.1f ms\n", round + 1, record ? "with undo" : "without undo", ms);
        }
    }
    const double a = *std::min_element(plain.begin(), plain.end());
    const double b = *std::min_element(recorded.begin(), recorded.end());
    std::printf("files                        %lld, best of %d rounds\n", static_cast<long long>(files.size()), rounds);
    std::printf("turn without undo            %9.1f ms total, %6.1f ms per file\n", a, a / files.size());
    std::printf("turn keeping undo copies     %9.1f ms total, %6.1f ms per file\n", b, b / files.size());
    std::printf("ratio with / without         %9.2f   (goal: at most 1.10)\n", b / a);
    return 0;
}
