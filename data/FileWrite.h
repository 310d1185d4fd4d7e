// Writing a file the user names: a data file, a journal, a dump, a patch, a workbook. Every such
// file is written one way, so that none is ever left half-written or written through something
// that is not a plain file.
#pragma once

#include "data/ORBIO.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

// Hands bytes to the file being written; false (the cause kept for the result) when they could
// not be written.
using FileSink = std::function<bool(const void* bytes, std::size_t n)>;

// Replaces target with what fill hands to its sink. The new file is written under a unique hidden
// name beside target, flushed to disk and renamed over it: a failure at any point (fill returning
// false with why, a full disk) leaves the old file exactly as it was and no other file behind.
// Through a symbolic link the file it points to is replaced; anything but a regular file (a
// folder, a FIFO, a device) is refused as "not KIND", a read-only file as "the file is
// read-only". A replaced file keeps its mode, owner and group; a new one gets what the umask
// leaves of 0666. The error names target, never the temporary file.
IoResult WriteFileSafely(const std::filesystem::path& target,
                         const std::function<bool(const FileSink& write, std::string& why)>& fill,
                         const char* kind = "a regular file");
// The same for bytes already made.
IoResult WriteFileSafely(const std::filesystem::path& target, const std::string& bytes);
