#include "core/OrbFile.h"

#include "core/Globals.h"

namespace fs = std::filesystem;

LoadResult LoadOrbFile(int n)
{
    fs::path path = FindOrbFile(".", n);
    if (path.empty())
        path = OrbFileName(n);
    OrbImage image;
    if (!ReadOrbImage(path, image).ok)
        return {1, "Unable to find " + OrbFileName(n), path};
    FileImage = std::move(image);
    UnpackImage(FileImage.bytes.data(), Orb);
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
