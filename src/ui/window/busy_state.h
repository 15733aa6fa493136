#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

namespace tarvix {

// The one long job the window runs, if any. While it runs, the image and folder commands are
// disabled and refuse to start, and a close or a rebuild for a new size waits for its end (a
// close then happens by itself). Jobs are started by JobScope only.
class BusyState {
public:
    enum class Job { None, Loading, Correcting, Turning, Deleting };

    // `changed` runs when a job starts or ends; `grid` is where the focus goes while one runs.
    BusyState(QWidget& window, std::function<void()> changed);
    void SetGrid(QWidget* grid) { FGrid = grid; }

    Job Current() const { return FJob; }
    // True, with the running job's progress window brought to the front, while a job runs.
    bool Refuse() const;
    // A close while a job runs: the job is cancelled and the close waits for its end. False
    // when nothing runs and the close may go on.
    bool DeferClose();
    bool CloseRequested() const { return FCloseRequested; }

private:
    friend class JobScope;
    QWidget& FWindow;
    std::function<void()> FChanged;
    QPointer<QWidget> FGrid;
    Job FJob = Job::None;
    bool FCloseRequested = false;
};

} // namespace tarvix
