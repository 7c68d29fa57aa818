#pragma once
// Texts for exceptions: what() carries the local 8-bit encoding, and the
// boxes decode it with QString::fromLocal8Bit.

#include <QString>

#include <string>

inline std::string local8(const QString& s)
{
    return s.toLocal8Bit().toStdString();
}
