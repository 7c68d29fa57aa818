#include "device/map_file.h"

#include "services/local8.h"

#include <QSaveFile>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace {

map_file_error failure(const QString& reason)
{
    return map_file_error(local8(reason));
}

} // namespace

void save_map_file(const QString& path, const script& dump, const profiles::mmap_template& t)
{
    std::ostringstream text;
    script::write_map(text, dump, t);
    const std::string bytes = text.str();

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw failure(file.errorString());
    // commit() would rename a short file into place: its own flush loses the
    // error of a write that stopped half-way (disk full, file size limit),
    // and it ignores a failing sync. Both are checked here first.
    errno = 0;
    if (file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) || !file.flush()
        || ::fsync(file.handle()) != 0) {
        const QString reason = errno ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
        file.cancelWriting();
        throw failure(reason);
    }
    if (!file.commit())
        throw failure(file.errorString());
}
