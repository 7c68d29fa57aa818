#include "device/map_file.h"

#include "services/local8.h"

#include <QFile>
#include <QObject>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace {

map_file_error failure(const QString& reason)
{
    return map_file_error(local8(reason));
}

// Why a target of this kind is not written, or an empty text for a regular
// file.
QString refusal(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QObject::tr("It is a folder, not a file");
    if (S_ISFIFO(mode))
        return QObject::tr("It is a named pipe (FIFO), not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QObject::tr("It is a device, not a regular file");
    if (S_ISSOCK(mode))
        return QObject::tr("It is a socket, not a regular file");
    return QObject::tr("It is not a regular file");
}

// Writes all of `bytes` and syncs them to disk; the reason when that failed,
// or an empty text. The flush of QSaveFile::commit() and QFile::close() loses
// the error of a write that stopped half-way (disk full, file size limit),
// and neither syncs, so both are checked here.
QString write_synced(QFileDevice& file, const std::string& bytes)
{
    errno = 0;
    if (file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) || !file.flush()
        || ::fsync(file.handle()) != 0)
        return errno ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
    return {};
}

} // namespace

void save_map_file(const QString& path, const script& dump, const profiles::mmap_template& t)
{
    std::ostringstream text;
    script::write_map(text, dump, t);
    const std::string bytes = text.str();

    // Decided before anything is opened: opening a FIFO for writing waits
    // for a reader. stat() judges what a symlink points at, as the write does.
    // When stat() fails for another reason than a missing file, the open
    // below fails the same way and says why.
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        const QString refused = refusal(st.st_mode);
        if (!refused.isEmpty())
            throw failure(refused);
        // A new file in its place would drop the other names of a hard link
        // and would belong to us instead of its owner.
        if (st.st_nlink > 1 || st.st_uid != ::geteuid()) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw failure(file.errorString());
            const QString reason = write_synced(file, bytes);
            if (!reason.isEmpty())
                throw failure(reason);
            file.close();
            if (file.error() != QFileDevice::NoError)
                throw failure(file.errorString());
            return;
        }
    }

    QSaveFile file(path);
    // In a folder where no file can be created beside it, a file we may
    // write is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        throw failure(file.errorString());
    const QString reason = write_synced(file, bytes);
    if (!reason.isEmpty()) {
        file.cancelWriting();
        throw failure(reason);
    }
    if (!file.commit())
        throw failure(file.errorString());
}
