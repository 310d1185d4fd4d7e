// Reading a data file into tables and writing tables back to it: the one way both the window and
// the command line load and save.
#pragma once

#include "data/ORBIO.h"

#include <filesystem>
#include <string>
#include <vector>

// Reads the data file at path into orb, and into meta what a save needs of the load (the count
// of bytes read, where a long file's tail lies). A file a save will replace is opened for reading
// and writing (writable), as the window opens it. On failure orb and meta keep their values.
IoResult ReadDataFile(const std::filesystem::path& path, OrbData& orb, OrbImage& meta, bool writable);

struct DataFileSave {
    IoResult written;  // ok when the file was replaced
    // Committed values past the end of a short file, which its length cannot hold.
    std::vector<PastEndValue> pastEnd;
};
// Packs orb into meta.bytes and writes it over path at the length loaded (and the loaded file's
// tail). With refuseLoss, values past the end of a short file stop the save before anything is
// written; without it the file is written and the values are named in pastEnd.
DataFileSave WriteDataFile(const std::filesystem::path& path, const OrbData& orb, OrbImage& meta, bool refuseLoss);

// The window's load and save: data file n of the working directory, into the program's tables.
struct LoadResult {
    int code = 0;         // 0 loaded, 1 could not be opened
    std::string message;  // for code 1: what the user is told ("Unable to find ORB05")
    std::filesystem::path path;  // the file read
};
// Loads data file n of the working directory into Orb and FileImage and sets FileLoaded.
// On failure nothing changes.
LoadResult LoadOrbFile(int n);

struct SaveResult {
    int code = 0;  // 0 saved, 1 failed (the old file is left as it was)
    std::string message;
    std::filesystem::path path;  // the file written or meant to be written
    // Committed values past the end of a short file, which its saved length could not hold.
    std::vector<PastEndValue> pastEnd;
};
// Packs Orb into FileImage and writes it as data file n in directory: over the existing file of
// that number whatever its letter case, or as a new file named by OrbFileName.
SaveResult SaveOrbFile(int n, const std::string& directory);
