// Helpers shared by the tests: temporary directories of sample files and whole-file byte access.
#pragma once

#include "data/ORBIO.h"
#include "tools/SampleData.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#ifndef _WIN32
#include <unistd.h>
#endif

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray sampleBytes(int n)
{
    auto image = MakeSampleImage(n);
    return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<int>(image.size()));
}

// Writes sample file n into dir under the given name (default: the usual upper-case name).
inline QString putSample(const QString& dir, int n, QString name = {})
{
    if (name.isEmpty())
        name = QString::fromStdString(OrbFileName(n));
    QString path = QDir(dir).filePath(name);
    writeAll(path, sampleBytes(n));
    return path;
}

// Whether file modes fail to keep this user out: root reads and writes anything, and Windows has
// no owner modes (only a read-only attribute). Cases about refused access run only otherwise.
inline bool permissionsAreBypassed()
{
#ifdef _WIN32
    return true;
#else
    return geteuid() == 0;
#endif
}

// The offsets at which two byte arrays differ, compared over the shorter length.
inline QList<int> changedOffsets(const QByteArray& a, const QByteArray& b)
{
    QList<int> out;
    for (int i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            out << i;
    return out;
}
