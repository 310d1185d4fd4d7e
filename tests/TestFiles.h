// Helpers shared by the tests: temporary folders of sample files, whole-file bytes, and what
// changed between two images.
#pragma once

#include "core/Merge.h"
#include "core/OrbDiff.h"
#include "core/Recovery.h"
#include "data/ORBIO.h"
#include "tools/SampleData.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstring>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
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

// Every file below dir with its bytes and, where the system has one, its inode: a save changes
// that even when it writes the same bytes.
inline std::map<QString, QByteArray> FilesBelow(const QString& dir)
{
    std::map<QString, QByteArray> out;
    for (QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        out[path] = readAll(path);
#ifndef _WIN32
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            out[path] += "#" + QByteArray::number(qulonglong(st.st_ino));
#endif
    }
    return out;
}

inline QByteArray sampleBytes(int n)
{
    auto image = MakeSampleImage(n);
    return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<int>(image.size()));
}

// The tables of an image (a short one read as the file is: zeros past its end).
inline OrbData orbOf(const QByteArray& bytes)
{
    std::vector<uint8_t> image(OrbImageSize, 0);
    std::memcpy(image.data(), bytes.constData(), std::min<std::size_t>(std::size_t(bytes.size()), OrbImageSize));
    return OrbData(std::move(image));
}
inline OrbData sampleOrb(int n) { return orbOf(sampleBytes(n)); }
inline bool sameImage(const OrbData& a, const OrbData& b) { return std::equal(a.bytes(), a.bytes() + OrbImageSize, b.bytes()); }

// A whole image with orb packed over it, as a save writes it over a file that held bytes.
inline QByteArray packedOver(QByteArray bytes, const OrbData& orb)
{
    bytes.resize(int(OrbImageSize));
    PackImage(orb, reinterpret_cast<uint8_t*>(bytes.data()));
    return bytes;
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

// What differs between two whole images: "units 040 Cost" for a field, "byte N" for a byte that
// no field holds. (Where the fields lie is held to the format by test_datafile.)
inline QStringList changes(const QByteArray& a, const QByteArray& b)
{
    QStringList out;
    for (const FieldDifference& d : DiffFields(orbOf(a), orbOf(b)))
        out << QString("%1 %2 %3").arg(d.table).arg(d.number, 3, 10, QChar('0')).arg(d.field);
    for (int i : changedOffsets(a, b))
        if (!FieldBytes()[std::size_t(i)])
            out << QString("byte %1").arg(i);
    return out;
}

// Sets formation n's slot list from text such as "5 6x2 0x3": slot 1 holds member 5, slot 2
// member 6 with multiplier 2, slot 3 no member but multiplier 3; slots left out hold 0 with 0.
inline void putSlots(OrbData& orb, int n, const QByteArray& list)
{
    const QList<QByteArray> words = list.split(' ');
    orb.edit<FormationRecord>(n, [&](FormationRecord& f) {
        for (int k = 1; k <= 10; ++k) {
            const QList<QByteArray> w = k <= words.size() ? words[k - 1].split('x') : QList<QByteArray>{"0"};
            formationSlot(f, k) = uint16_t(w[0].toInt());
            formationCode(f, k) = uint8_t(w.size() > 1 ? w[1].toInt() : 0);
        }
    });
}

inline std::filesystem::path pathOf(const QString& p) { return std::filesystem::u8path(p.toStdString()); }

// A journal of work on dataPath: ORB12's tables with unit 1 costing cost.
inline Journal journalOf(const std::string& dataPath, int steps, uint8_t cost)
{
    Journal j;
    j.dataPath = dataPath;
    j.loaded = {true, 44500, 1234567890123, 0xfedcba9876543210ull};
    j.lastStep = 1796779519;
    j.steps = steps;
    OrbData orb = sampleOrb(12);
    orb.edit<UnitRecord>(1, [cost](UnitRecord& u) { u.Cost = cost; });
    j.tables.assign(orb.bytes(), orb.bytes() + OrbImageSize);
    return j;
}
