#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace tarvix {

// The program's own thumbnail cache: one file per picture and quality in a folder of mode
// 0700, written atomically (a temporary file renamed into place), and kept under a size limit
// by dropping the entries used least recently. It stores bytes under names and knows nothing
// of their content (see thumbnail_entry.h).
//
// Nothing here fails a caller: a folder that cannot be made or is not private, a full disk or
// a read-only home only make every read a miss and every write a no-op. Safe to use from any
// thread at once, also from several processes sharing the folder.
class PrivateThumbnailCache : public std::enable_shared_from_this<PrivateThumbnailCache> {
public:
    // $XDG_CACHE_HOME/tarvix (~/.cache/tarvix by default).
    static QString DefaultFolder();
    static constexpr qint64 MB = 1 << 20;

    // Nothing touches the disk before the first read or write.
    PrivateThumbnailCache(QString folder, qint64 limitBytes);

    const QString& Folder() const { return FFolder; }
    // A limit of 0 turns the cache off: every read misses and nothing is written.
    void SetLimit(qint64 bytes) { FLimit = bytes < 0 ? 0 : bytes; }
    qint64 Limit() const { return FLimit; }
    bool Enabled() const { return FLimit > 0; }

    // The name of the entry for a path and a quality: a hash of the two, so that a picture
    // that changes gets its entry replaced rather than a second one beside it.
    static QString EntryName(const QString& absolutePath, bool highQuality);

    // The entry's bytes, or empty bytes when there is no entry of that name that is a
    // regular file of ours of a sensible size.
    QByteArray Read(const QString& name);
    // Marks the entry as just used (its modification time), so that trimming keeps it longer.
    void Touch(const QString& name);
    // Puts the bytes in place of the entry in one step; false when the cache could not.
    // Now and then it starts a Trim on Qt's global thread pool (never on the caller's thread).
    bool Write(const QString& name, QByteArrayView bytes);
    // Drops the entries used least recently until the rest fit the limit, and temporary files
    // that a killed process left behind. Blocks while another Trim runs.
    void Trim();

private:
    // Makes the folder or checks the one there (a directory of ours, fixed to mode 0700).
    bool Usable();
    std::string PathOf(const QString& name) const;
    void TrimWhenDue(qint64 written);

    const QString FFolder;
    const std::string FEncodedFolder;
    std::atomic<qint64> FLimit;
    std::mutex FFolderMutex; // one thread makes or checks the folder, the others wait for it
    enum class FolderState { Unknown, Usable, Unusable };
    std::atomic<FolderState> FFolderState = FolderState::Unknown;
    std::mutex FTrimMutex;
    std::atomic<qint64> FWrittenSinceTrim = 0;
    std::atomic<bool> FTrimmedOnce = false;
    std::atomic<bool> FTrimPending = false;
};

} // namespace tarvix
