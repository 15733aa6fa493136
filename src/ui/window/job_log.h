#pragma once

#include <QElapsedTimer>
#include <QLoggingCategory>

namespace tarvix {

// The window's long jobs (a load, a turn, a correction, a delete), each marked where it begins
// and ends, for maintainers and benchmarks: QT_LOGGING_RULES="tarvix.jobs.info=true".
Q_DECLARE_LOGGING_CATEGORY(JobsLog)

class JobLog {
public:
    explicit JobLog(const char* name)
        : FName(name)
    {
        FClock.start();
        qCInfo(JobsLog, "begin %s", FName);
    }
    ~JobLog() { qCInfo(JobsLog, "end %s %lld ms", FName, static_cast<long long>(FClock.elapsed())); }

    JobLog(const JobLog&) = delete;
    JobLog& operator=(const JobLog&) = delete;

private:
    const char* FName;
    QElapsedTimer FClock;
};

} // namespace tarvix
