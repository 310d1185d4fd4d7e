#include "core/OrbFile.h"

#include "core/Globals.h"

namespace fs = std::filesystem;

LoadResult LoadOrbFile(int n)
{
    // The file is read into a buffer of its own and traded into the tables, which hand back the
    // image they held to read the next file into: a load neither copies, allocates nor clears
    // the image, and a failed one leaves everything as it was.
    static OrbImage spare;
    // The usual spelling is opened straight away; only when that fails is the folder searched
    // for the number in another letter case.
    fs::path path = OrbFileName(n);
    bool read = ReadOrbImage(path, spare).ok;
    if (!read) {
        fs::path found = FindOrbFile(".", n);
        if (found.empty())
            path = OrbFileName(n);
        else if (found.filename() != path.filename())
            read = ReadOrbImage(path = found, spare).ok;
    }
    if (!read)
        return {1, "Unable to find " + OrbFileName(n), path};
    Orb.swapImage(spare.bytes);
    FileImage.bytesRead = spare.bytesRead;
    FileImage.source = spare.source;
    FileImage.tailSize = spare.tailSize;
    FileLoaded = true;
    return {0, {}, path};
}

SaveResult SaveOrbFile(int n, const std::string& directory)
{
    PackImage(Orb, FileImage.bytes.data());
    // Directory texts come from the window as UTF-8, whatever the system's narrow encoding.
    fs::path dir = directory.empty() ? fs::path(".") : fs::u8path(directory);
    fs::path target = FindOrbFile(dir, n);
    if (target.empty())
        target = dir / OrbFileName(n);
    IoResult written = WriteOrbImage(target, FileImage);
    SaveResult r{written.ok ? 0 : 1, written.error, target, {}};
    if (written.ok)
        r.pastEnd = ValuesPastEnd(FileImage.bytes.data(), FileImage.bytesRead);
    return r;
}
