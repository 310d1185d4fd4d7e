#include "core/OrbFile.h"

#include "core/Globals.h"

namespace fs = std::filesystem;

IoResult ReadDataFile(const fs::path& path, OrbData& orb, OrbImage& meta, bool writable)
{
    // The file is read into a buffer of its own and traded into the tables only once it has been
    // read whole: a failed load leaves everything as it was.
    OrbImage image;
    IoResult r = ReadOrbImage(path, image, writable);
    if (!r.ok)
        return r;
    orb.swapImage(image.bytes);
    meta.bytesRead = image.bytesRead;
    meta.source = std::move(image.source);
    meta.tailSize = image.tailSize;
    return r;
}

DataFileSave WriteDataFile(const fs::path& path, const OrbData& orb, OrbImage& meta, bool refuseLoss)
{
    meta.bytes.resize(OrbImageSize);
    PackImage(orb, meta.bytes.data());
    DataFileSave s;
    s.pastEnd = ValuesPastEnd(meta.bytes.data(), meta.bytesRead);
    if (refuseLoss && !s.pastEnd.empty()) {
        s.written = {false, path.u8string() + ": values past the end of the file cannot be stored"};
        return s;
    }
    s.written = WriteOrbImage(path, meta);
    if (!s.written.ok)
        s.pastEnd.clear();
    return s;
}

namespace {
// The reason part of a read error ("path: reason").
std::string reasonOf(const IoResult& r, const fs::path& path)
{
    const std::string prefix = path.u8string() + ": ";
    return r.error.compare(0, prefix.size(), prefix) == 0 ? r.error.substr(prefix.size()) : r.error;
}
}  // namespace

LoadResult LoadOrbFile(int n)
{
    // The usual spelling is opened straight away; only when that fails is the folder searched
    // for the number in another letter case.
    fs::path path = OrbFileName(n);
    IoResult read = ReadDataFile(path, Orb, FileImage, true);
    if (!read.ok) {
        fs::path found = FindOrbFile(".", n);
        if (!found.empty() && found.filename() != path.filename())
            read = ReadDataFile(path = found, Orb, FileImage, true);
    }
    if (!read.ok) {
        // A file that is there but cannot be read at all says why; one that is only read-only, or
        // is no file, is "not found" (the editor must be able to save what it loads).
        OrbImage probe;
        std::error_code ec;
        IoResult look = fs::is_regular_file(path, ec) ? ReadOrbImage(path, probe, false) : IoResult{true, {}};
        if (!look.ok)
            return {1, "Unable to read " + path.filename().u8string() + ": " + reasonOf(look, path), path};
        return {1, "Unable to find " + OrbFileName(n), path};
    }
    FileLoaded = true;
    return {0, {}, path};
}

SaveResult SaveOrbFile(int n, const std::string& directory)
{
    // Directory texts come from the window as UTF-8, whatever the system's narrow encoding.
    fs::path dir = directory.empty() ? fs::path(".") : fs::u8path(directory);
    fs::path target = FindOrbFile(dir, n);
    if (target.empty())
        target = dir / OrbFileName(n);
    DataFileSave saved = WriteDataFile(target, Orb, FileImage, false);
    return {saved.written.ok ? 0 : 1, saved.written.error, target, std::move(saved.pastEnd)};
}
