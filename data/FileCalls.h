// The system calls that loading and saving a data file make, held in one table. Tests put their
// own in place to make any of them fail or come back short, as a full disk, a failing device or
// another program changing the file would; everyone else uses the system's.
#pragma once

#include <cstddef>
#include <filesystem>

struct FileCalls {
    int (*open)(const std::filesystem::path& path, int flags, unsigned mode);
    long long (*read)(int fd, void* buf, std::size_t n);
    long long (*write)(int fd, const void* buf, std::size_t n);
    int (*fsync)(int fd);
    int (*fchmod)(int fd, unsigned mode);
    int (*close)(int fd);
    int (*rename)(const std::filesystem::path& from, const std::filesystem::path& to);
};

// The system's own calls.
const FileCalls& SystemFileCalls();
// The calls in use: the system's unless a test has replaced some.
FileCalls& OrbFileCalls();
