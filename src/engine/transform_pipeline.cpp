#include "engine/transform_pipeline.h"

#include "engine/errors.h"
#include "engine/pending_transform.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <sys/stat.h>

namespace tarvix {

namespace {

// How long the calling thread waits for a worker before it lets the user interface go on.
constexpr std::chrono::milliseconds Poll(20);

// The identity of a file whatever its name; empty when there is none to take.
QByteArray FileKey(const QString& path)
{
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
}

class Pipeline {
public:
    Pipeline(const TLanguage& language, const QList<PipelineFile>& files, Dialogs& owner, Dialogs::Progress* progress,
        const PipelineSettings& settings)
        : FLanguage(language)
        , FFiles(files)
        , FOwner(owner)
        , FProgress(progress)
        , FSettings(settings)
    {
        const int workers = settings.Workers > 0 ? settings.Workers : std::max(1, QThread::idealThreadCount());
        FPool.setMaxThreadCount(workers);
        // One file is prepared at a time, in list order; it mostly waits (for a lock, or for
        // nothing), so it gets a thread of its own rather than a place behind the reads.
        FGate.setMaxThreadCount(1);
        // Enough ahead that no worker idles while a question is answered; each holds a
        // picture twice, as read and as turned.
        FWindow = 2 * workers;
        // Read once for the run: what "Don't ask again" changes holds for the files after it.
        if (!settings.CropWarning || !settings.Silent) {
            const QuestionSettings current = QuestionSettings::Current();
            FQuestions.CropWarning = settings.CropWarning.value_or(current.CropWarning);
            FQuestions.Silent = settings.Silent.value_or(current.Silent);
        } else {
            FQuestions = { *settings.CropWarning, *settings.Silent };
        }
    }

    void Run();

private:
    // Where a file is; a worker owns the slot while it is Reading, Preparing or Writing.
    enum class Stage { Reading, Read, Preparing, Prepared, Writing, Written, Finished };

    struct Slot {
        PipelineFile File;
        QByteArray Key;
        Stage State = Stage::Reading; // guarded by FMutex
        std::unique_ptr<PendingTransform> Pending;
        PendingTransform::Decision Prepared = PendingTransform::Decision::Missing;
        std::optional<TarvixError> PrepareError; // raised by Prepare, reported in list order
        std::exception_ptr Failure; // thrown on the worker
        bool Counts = false; // AfterFile and a progress step when delivered
        std::optional<TarvixError> Error;
    };

    void StartReads();
    bool DecideNext();
    void StartPrepare(Slot& slot);
    void Decide(Slot& slot);
    void StartWrite(Slot& slot);
    void PollStop();
    bool DeliverFront();
    void Finish(Slot& slot, bool counts);
    void Fail(Slot& slot, const TarvixError& error);
    void SetStage(Slot& slot, Stage stage);
    Stage StageOf(const Slot& slot);
    void WaitForWorkers();
    void ProcessEvents();

    const TLanguage& FLanguage;
    const QList<PipelineFile>& FFiles;
    Dialogs& FOwner;
    Dialogs::Progress* FProgress;
    const PipelineSettings& FSettings;
    QuestionSettings FQuestions;

    QThreadPool FPool;
    QThreadPool FGate;
    qsizetype FWindow = 2;
    std::deque<std::unique_ptr<Slot>> FSlots; // in list order, from the first not delivered
    qsizetype FNext = 0; // the next file to read
    qsizetype FDecided = 0; // slots at the front past their questions
    std::atomic<bool> FStop { false }; // set on the calling thread; ends a wait for a lock
    std::atomic<bool> FWriteFailed { false };
    std::exception_ptr FFatal;
    std::optional<TarvixError> FFirstError;

    std::mutex FMutex;
    std::condition_variable FChanged;
    bool FNotified = false;
};

void Pipeline::SetStage(Slot& slot, Stage stage)
{
    {
        const std::lock_guard lock(FMutex);
        slot.State = stage;
        FNotified = true;
    }
    FChanged.notify_one();
}

Pipeline::Stage Pipeline::StageOf(const Slot& slot)
{
    const std::lock_guard lock(FMutex);
    return slot.State;
}

void Pipeline::ProcessEvents()
{
    if (FSettings.ProcessEvents)
        FSettings.ProcessEvents();
    else
        FOwner.ProcessEvents();
}

void Pipeline::PollStop()
{
    if (FStop)
        return;
    if (FProgress && FProgress->WantCancel())
        FStop = true;
    if (FSettings.StopAtFirstError && FWriteFailed)
        FStop = true;
}

void Pipeline::StartReads()
{
    while (!FStop && FNext < FFiles.size() && qsizetype(FSlots.size()) < FWindow) {
        auto slot = std::make_unique<Slot>();
        slot->File = FFiles[FNext];
        slot->Key = FileKey(slot->File.Path);
        // A second name of a file in flight waits until the first is done with, so that it
        // reads what the first one wrote.
        for (const auto& other : FSlots)
            if (!slot->Key.isEmpty() && other->Key == slot->Key)
                return;
        Slot* reading = slot.get();
        FSlots.push_back(std::move(slot));
        ++FNext;
        const PendingTransform::Request request { reading->File.Path, reading->File.Code, FSettings.KeepTimestamp,
            FSettings.MakeBackup, { FSettings.WaitIfBusy, std::nullopt }, FSettings.Undo.get() };
        FPool.start([this, reading, request] {
            try {
                reading->Pending = PendingTransform::Read(request);
            } catch (...) {
                reading->Failure = std::current_exception();
            }
            SetStage(*reading, Stage::Read);
        });
    }
}

bool Pipeline::DecideNext()
{
    if (FDecided >= qsizetype(FSlots.size()))
        return false;
    Slot& slot = *FSlots[FDecided];
    switch (StageOf(slot)) {
    case Stage::Read:
        StartPrepare(slot);
        return true;
    case Stage::Prepared:
        ++FDecided;
        Decide(slot);
        return true;
    default:
        return false;
    }
}

// Only the file whose questions come next is locked, once the files before it are past
// theirs: a run never waits for one file while it holds another that waits for the user.
void Pipeline::StartPrepare(Slot& slot)
{
    if (!FStop) {
        ProcessEvents();
        PollStop();
    }
    if (FStop || slot.Failure) {
        if (slot.Failure && !FStop) {
            FFatal = slot.Failure;
            FStop = true;
        }
        ++FDecided;
        Finish(slot, false);
        return;
    }
    SetStage(slot, Stage::Preparing);
    Slot* preparing = &slot;
    FGate.start([this, preparing] {
        try {
            preparing->Prepared = preparing->Pending->Prepare(FLanguage, &FStop);
        } catch (const TarvixError& error) {
            preparing->PrepareError = error;
        } catch (...) {
            preparing->Failure = std::current_exception();
        }
        SetStage(*preparing, Stage::Prepared);
    });
}

void Pipeline::Decide(Slot& slot)
{
    // The wait for the lock may have been long: a Cancel meanwhile holds for this file too.
    PollStop();
    if (FStop) {
        Finish(slot, false);
        return;
    }
    if (slot.Failure) {
        FFatal = slot.Failure;
        FStop = true;
        Finish(slot, false);
        return;
    }
    try {
        if (slot.PrepareError)
            throw *slot.PrepareError;
        switch (slot.Prepared) {
        case PendingTransform::Decision::Write:
            break;
        case PendingTransform::Decision::LeaveAlone:
            Finish(slot, true);
            return;
        case PendingTransform::Decision::Missing:
            if (FSettings.OnMissing)
                FSettings.OnMissing(slot.File.Path);
            Finish(slot, bool(FSettings.OnMissing));
            return;
        }
        if (slot.Pending->Ask(FLanguage, FQuestions, FOwner) != PendingTransform::Decision::Write) {
            Finish(slot, true);
            return;
        }
    } catch (const TarvixError& error) {
        Fail(slot, error);
        return;
    }
    StartWrite(slot);
}

void Pipeline::StartWrite(Slot& slot)
{
    SetStage(slot, Stage::Writing);
    Slot* writing = &slot;
    FPool.start([this, writing] {
        try {
            if (FSettings.BeforeWrite)
                FSettings.BeforeWrite(writing->File.Path);
            writing->Pending->Write();
            if (writing->Pending->WriteFailed())
                FWriteFailed = true;
        } catch (...) {
            writing->Failure = std::current_exception();
        }
        SetStage(*writing, Stage::Written);
    });
}

void Pipeline::Finish(Slot& slot, bool counts)
{
    slot.Counts = counts;
    SetStage(slot, Stage::Finished);
}

void Pipeline::Fail(Slot& slot, const TarvixError& error)
{
    slot.Error = error;
    if (FSettings.StopAtFirstError)
        FStop = true;
    Finish(slot, !FSettings.StopAtFirstError);
}

bool Pipeline::DeliverFront()
{
    if (FSlots.empty())
        return false;
    Slot& slot = *FSlots.front();
    const Stage stage = StageOf(slot);
    if (stage == Stage::Written) {
        if (slot.Failure) {
            FFatal = FFatal ? FFatal : slot.Failure;
            FStop = true;
            Finish(slot, false);
        } else {
            try {
                slot.Pending->RaiseWriteError(FLanguage);
                Finish(slot, true);
            } catch (const TarvixError& error) {
                Fail(slot, error);
            }
        }
    } else if (stage != Stage::Finished) {
        return false;
    }

    const std::unique_ptr<Slot> done = std::move(FSlots.front());
    FSlots.pop_front();
    --FDecided;
    done->Pending.reset(); // the file is free for others before anyone hears of it
    if (done->Error && FSettings.StopAtFirstError) {
        if (!FFirstError)
            FFirstError = done->Error;
        return true;
    }
    if (done->Error && FSettings.OnError)
        FSettings.OnError(done->File.Path, *done->Error);
    if (done->Counts) {
        if (FSettings.AfterFile)
            FSettings.AfterFile(done->File.Path);
        if (FProgress)
            FProgress->SetProgressBy(1);
    }
    return true;
}

void Pipeline::WaitForWorkers()
{
    std::unique_lock lock(FMutex);
    FChanged.wait_for(lock, Poll, [this] { return FNotified; });
    FNotified = false;
}

void Pipeline::Run()
{
    // Whatever ends the run, no worker may outlive the slots it works on; those writing
    // finish their file, and a wait for a lock ends.
    const auto joined = qScopeGuard([this] {
        FStop = true;
        FGate.waitForDone();
        FPool.waitForDone();
    });
    for (;;) {
        StartReads();
        bool moved = DecideNext();
        while (DeliverFront())
            moved = true;
        if (FSlots.empty() && (FStop || FNext >= FFiles.size()))
            break;
        if (!moved) {
            WaitForWorkers();
            ProcessEvents();
            PollStop();
        }
    }
    if (FFatal)
        std::rethrow_exception(FFatal);
    if (FFirstError)
        throw *FFirstError;
}

} // namespace

void TransformFiles(const TLanguage& language, const QList<PipelineFile>& files, Dialogs& owner,
    Dialogs::Progress* progress, const PipelineSettings& settings)
{
    Pipeline(language, files, owner, progress, settings).Run();
}

} // namespace tarvix
