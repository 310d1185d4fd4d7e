// Work kept safe between a change and its save: a journal per open data file in the user's data
// folder, written durably after every change so that a crash, a kill or a power cut loses nothing
// committed; a lock so that two copies of the editor never share a file; and the stamp of a file
// as loaded, to tell when another program has changed it since.
#pragma once

#include "data/ORBIO.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// FNV-1a, 64 bits, continued from hash.
std::uint64_t Fnv1a(const void* data, std::size_t n, std::uint64_t hash = 14695981039346656037ull);

// What a file held when it was looked at: enough to tell that it has changed since.
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t mtime = 0;  // the file system's clock, only compared
    std::uint64_t hash = 0;  // of its first StampedBytes bytes: a data file whole, and more
};
// A file longer than this (a data file with a tail of its own) is hashed this far, and its time
// stands for the rest: stamping a 256 MB tail would stall the window whenever it came back.
constexpr std::uint64_t StampedBytes = 1 << 20;
// Reads the file to stamp it; a file that cannot be read is stamped as missing.
FileStamp StampFile(const std::filesystem::path& path);
// Whether two stamps are of the same bytes: the time alone changes on a copy that changes
// nothing, so it counts only past what the hash covers.
bool SameBytes(const FileStamp& a, const FileStamp& b);

// $XDG_DATA_HOME/orbtool/recovery (else ~/.local/share/...), %LOCALAPPDATA%\Orbtool\recovery on
// Windows; empty when the system names no such folder.
std::filesystem::path RecoveryFolder();

// A journal: the data file it belongs to as it was loaded, and the tables as they are now.
struct Journal {
    std::filesystem::path file;  // the journal's own file (when read)
    std::string dataPath;        // the data file's whole path, UTF-8
    FileStamp loaded;            // the data file as loaded or last saved
    std::int64_t lastStep = 0;   // seconds since 1970 (UTC) of the last change
    int steps = 0;               // changes since the load
    std::vector<uint8_t> tables; // the tables packed as a save writes them (OrbImageSize bytes)
};

// Writes j to file as a data file is saved: under a temporary name, synced, renamed over the old
// journal; a failure leaves the old one as it was.
IoResult WriteJournal(const std::filesystem::path& file, const Journal& j);
// Reads a journal; false with why when it is not one or was damaged.
bool ReadJournal(const std::filesystem::path& file, Journal& j, std::string& why);

// The journal of one editing session of dataFile in folder. Sessions have names of their own, so
// that a new session never writes over an earlier one's journal before the user has decided on it.
std::filesystem::path JournalFile(const std::filesystem::path& folder, const std::filesystem::path& dataFile,
                                  const std::string& session);
// A new session's name.
std::string NewSession();

// Held while a window has dataFile open: one holder at a time across every process of the user.
// The system lets it go when its process ends, however it ends.
class DataFileLock {
public:
    enum class Outcome { Taken, HeldElsewhere, Failed };
    // Takes the lock of dataFile in folder (created as needed); why says what failed.
    static std::unique_ptr<DataFileLock> Take(const std::filesystem::path& folder, const std::filesystem::path& dataFile,
                                              Outcome& outcome, std::string& why);
    ~DataFileLock();
    DataFileLock(const DataFileLock&) = delete;
    DataFileLock& operator=(const DataFileLock&) = delete;

private:
    explicit DataFileLock(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_;
};

// The journals in folder that no open window is writing: those of dataFile but for the session
// given (the caller holds dataFile's lock), or, with dataFile empty, those of every data file
// whose lock is free. Newest first; a damaged journal is passed over and named in damaged.
std::vector<Journal> JournalsToOffer(const std::filesystem::path& folder, const std::filesystem::path& dataFile,
                                     const std::string& session, std::vector<std::string>* damaged = nullptr);
