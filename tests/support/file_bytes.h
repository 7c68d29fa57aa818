#pragma once
// Whole files as bytes, for tests that check what was written.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace test_support {

// "(unreadable)" when the file can't be read.
inline QByteArray file_bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// False when the file can't be written whole.
inline bool write_file_bytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace test_support
