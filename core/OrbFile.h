// Loading a data file into the program-wide state and saving it back.
#pragma once

#include "data/ORBIO.h"

#include <filesystem>
#include <string>
#include <vector>

struct LoadResult {
    int code = 0;         // 0 loaded, 1 could not be opened
    std::string message;  // for code 1: "Unable to find " and the file name
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
