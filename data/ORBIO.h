// The data file: its name rule, unpacking a 44500-byte image into OrbData and packing it back,
// finding files whatever their letter case, and reading and writing whole images safely.
#pragma once

#include "data/Types.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// "ORB05" for 5, "ORB12" for 12.
std::string OrbFileName(int n);

// Image <-> table copies. The image must hold OrbImageSize bytes.
void UnpackImage(const uint8_t* image, OrbData& orb);
// Writes orb's image, each name followed by zeros up to its fifteen bytes.
void PackImage(const OrbData& orb, uint8_t* image);

// The number of a file name of the form ORBdd (any letter case) among 0..99, or -1.
int OrbNumberOf(const std::string& name);

// The regular file of data file n in dir, matched without regard to letter case; empty when none.
std::filesystem::path FindOrbFile(const std::filesystem::path& dir, int n);
// Whether data file n exists in the working directory, as a regular file in any letter case.
bool OrbFileExists(int n);
// Which data files 0..99 exist in dir, from one pass over the directory.
std::array<bool, 100> ScanOrbFiles(const std::filesystem::path& dir);

// A data file's bytes as read: the first OrbImageSize bytes (zero-filled past a short file's end)
// and how many of them the file supplied. Whatever a long file holds past them is not read into
// memory: a save copies it from the file it was loaded from.
struct OrbImage {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(OrbImageSize, 0);
    std::size_t bytesRead = 0;
    std::filesystem::path source;  // the file read, whose tail a save copies
    std::uint64_t tailSize = 0;    // bytes the source holds past OrbImageSize
};

struct IoResult {
    bool ok = false;
    std::string error;  // why it failed, for the user; it names the data file, never a temporary one
};

// Reads a data file's image into out. The editor opens it for reading and writing, as a file it
// will save back must allow; a reader that only looks may pass writable = false. A file that
// cannot be opened as a data file leaves out as it was; a read that fails part way may leave
// some of out's bytes overwritten.
IoResult ReadOrbImage(const std::filesystem::path& path, OrbImage& out, bool writable = true);
// Replaces target (through any symbolic links, so the file they point to changes) with
// bytes[0, bytesRead) followed by the source's tail. The new file is written under a unique
// hidden name beside target, flushed to disk and renamed over it, and keeps target's mode, owner
// and group; a failure at any point leaves the old file exactly as it was.
IoResult WriteOrbImage(const std::filesystem::path& target, const OrbImage& image);
// Why a save over path would be refused (a read-only file, a folder the process may not write
// in); empty when nothing stands in the way that can be told beforehand.
std::string SaveObstacle(const std::filesystem::path& path);

// A committed value that a short file cannot hold: one of its bytes lies past the file's end.
struct PastEndValue {
    const char* table;  // "units", "weapons" or "formations"
    int entry;
    const char* field;
};
// The values of a packed image whose bytes at or past bytesRead are not zero. A short file is
// zero-filled past its end when read, so these are exactly the values a save would drop.
std::vector<PastEndValue> ValuesPastEnd(const uint8_t* image, std::size_t bytesRead);
// "units 201-249; formations 3, 7": the tables and entry numbers of such values.
std::string DescribePastEnd(const std::vector<PastEndValue>& values);
