#include "core/Recovery.h"

#include "data/FileWrite.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {
const char kMagic[] = "orbtool journal 1";

std::string hex(std::uint64_t v)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

// The path with '%' and line ends written as %XX, so that any path fits on its line.
std::string escapeLine(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '%' || c == '\n' || c == '\r') {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

bool unescapeLine(const std::string& s, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size())
            return false;
        char* end = nullptr;
        const std::string code = s.substr(i + 1, 2);
        const long v = std::strtol(code.c_str(), &end, 16);
        if (end != code.c_str() + 2)
            return false;
        out += static_cast<char>(v);
        i += 2;
    }
    return true;
}

// The key of a data file's journals and lock: its whole path, the name in capitals, since data
// file names match without regard to case and orb12 and ORB12 in one folder are one file.
std::string keyOf(const fs::path& dataFile)
{
    std::error_code ec;
    fs::path full = fs::weakly_canonical(fs::absolute(dataFile, ec), ec);
    if (ec)
        full = fs::absolute(dataFile, ec).lexically_normal();
    std::string name = full.filename().u8string();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    const std::string text = full.parent_path().u8string() + "/" + name;
    return hex(Fnv1a(text.data(), text.size()));
}

std::uint64_t field(const std::string& line, const char* name, bool& ok)
{
    const std::string prefix = std::string(name) + " ";
    if (line.compare(0, prefix.size(), prefix) != 0) {
        ok = false;
        return 0;
    }
    const std::string value = line.substr(prefix.size());
    char* end = nullptr;
    errno = 0;
    const bool isHex = std::strcmp(name, "hash") == 0;
    const unsigned long long v = std::strtoull(value.c_str(), &end, isHex ? 16 : 10);
    if (value.empty() || *end || errno)
        ok = false;
    return v;
}

#ifdef _WIN32
const std::intptr_t kNoHandle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
#else
const std::intptr_t kNoHandle = -1;
#endif

// Takes the lock of key in folder: its handle, or kNoHandle with outcome and why set.
std::intptr_t takeKey(const fs::path& folder, const std::string& key, DataFileLock::Outcome& outcome, std::string& why)
{
    const fs::path file = folder / (key + ".lock");
#ifdef _WIN32
    // Opened with no sharing: a second open anywhere fails until this handle closes.
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        outcome = err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION ? DataFileLock::Outcome::HeldElsewhere
                                                                                : DataFileLock::Outcome::Failed;
        why = file.u8string() + ": cannot open (error " + std::to_string(err) + ")";
        return kNoHandle;
    }
    outcome = DataFileLock::Outcome::Taken;
    return reinterpret_cast<std::intptr_t>(h);
#else
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        outcome = DataFileLock::Outcome::Failed;
        why = file.u8string() + ": " + std::generic_category().message(errno);
        return kNoHandle;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        outcome = err == EWOULDBLOCK ? DataFileLock::Outcome::HeldElsewhere : DataFileLock::Outcome::Failed;
        why = file.u8string() + ": " + std::generic_category().message(err);
        return kNoHandle;
    }
    outcome = DataFileLock::Outcome::Taken;
    return fd;
#endif
}

void release(std::intptr_t handle)
{
#ifdef _WIN32
    CloseHandle(reinterpret_cast<HANDLE>(handle));
#else
    ::close(static_cast<int>(handle));  // closing lets the lock go
#endif
}

bool makeFolder(const fs::path& folder, std::string& why)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        why = folder.u8string() + ": " + ec.message();
        return false;
    }
    // The user's own work: for no one else to read.
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    return true;
}
}  // namespace

std::uint64_t Fnv1a(const void* data, std::size_t n, std::uint64_t hash)
{
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i)
        hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

FileStamp StampFile(const fs::path& path)
{
    FileStamp s;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return s;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return s;
    std::vector<char> buf(1 << 16);
    std::uint64_t hash = Fnv1a(nullptr, 0), size = 0;
    while (in && size < StampedBytes) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        hash = Fnv1a(buf.data(), got, hash);
        size += got;
    }
    if (in.bad())
        return s;
    const auto time = fs::last_write_time(path, ec);
    const auto length = fs::file_size(path, ec);
    s.exists = true;
    s.size = ec ? size : static_cast<std::uint64_t>(length);
    s.hash = hash;
    s.mtime = ec ? 0 : static_cast<std::int64_t>(time.time_since_epoch().count());
    return s;
}

bool SameBytes(const FileStamp& a, const FileStamp& b)
{
    return a.exists == b.exists &&
           (!a.exists || (a.size == b.size && a.hash == b.hash && (a.size <= StampedBytes || a.mtime == b.mtime)));
}

fs::path RecoveryFolder()
{
#ifdef _WIN32
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (local && *local)
        return fs::path(local) / "Orbtool" / "recovery";
    return {};
#else
    // A relative XDG_DATA_HOME is to be ignored, as the base directory rules say.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return fs::path(data) / "orbtool" / "recovery";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return fs::path(home) / ".local" / "share" / "orbtool" / "recovery";
    return {};
#endif
}

IoResult WriteJournal(const fs::path& file, const Journal& j)
{
    std::string why;
    if (!makeFolder(file.parent_path(), why))
        return {false, why};
    if (j.tables.size() != OrbImageSize)
        return {false, file.u8string() + ": the tables are not a whole image"};
    std::ostringstream head;
    head << kMagic << "\n"
         << "path " << escapeLine(j.dataPath) << "\n"
         << "size " << j.loaded.size << "\n"
         << "mtime " << j.loaded.mtime << "\n"
         << "hash " << hex(j.loaded.hash) << "\n"
         << "exists " << (j.loaded.exists ? 1 : 0) << "\n"
         << "time " << j.lastStep << "\n"
         << "steps " << j.steps << "\n"
         << "tables " << j.tables.size() << " " << hex(Fnv1a(j.tables.data(), j.tables.size())) << "\n";
    std::string text = head.str();
    text.append(j.tables.begin(), j.tables.end());
    // As every file is written: under a temporary name, synced, renamed.
    return WriteFileSafely(file, text);
}

bool ReadJournal(const fs::path& file, Journal& j, std::string& why)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = "cannot be read";
        return false;
    }
    std::string lines[9];
    for (auto& line : lines)
        if (!std::getline(in, line)) {
            why = "it ends too soon";
            return false;
        }
    if (lines[0] != kMagic) {
        why = "not a journal";
        return false;
    }
    Journal r;
    r.file = file;
    bool ok = lines[1].compare(0, 5, "path ") == 0 && unescapeLine(lines[1].substr(5), r.dataPath);
    r.loaded.size = field(lines[2], "size", ok);
    std::string mtime = lines[3];
    ok = ok && mtime.compare(0, 6, "mtime ") == 0;
    r.loaded.mtime = ok ? std::strtoll(mtime.c_str() + 6, nullptr, 10) : 0;
    r.loaded.hash = field(lines[4], "hash", ok);
    r.loaded.exists = field(lines[5], "exists", ok) != 0;
    r.lastStep = static_cast<std::int64_t>(field(lines[6], "time", ok));
    r.steps = static_cast<int>(field(lines[7], "steps", ok));
    std::istringstream tables(lines[8]);
    std::string word, sum;
    std::size_t length = 0;
    ok = ok && (tables >> word >> length >> sum) && word == "tables" && length == OrbImageSize;
    if (!ok) {
        why = "its header is damaged";
        return false;
    }
    r.tables.resize(OrbImageSize);
    in.read(reinterpret_cast<char*>(r.tables.data()), static_cast<std::streamsize>(OrbImageSize));
    if (static_cast<std::size_t>(in.gcount()) != OrbImageSize || in.peek() != std::char_traits<char>::eof()) {
        why = "its tables are not whole";
        return false;
    }
    if (hex(Fnv1a(r.tables.data(), r.tables.size())) != sum) {
        why = "its tables are damaged";
        return false;
    }
    j = std::move(r);
    return true;
}

fs::path JournalFile(const fs::path& folder, const fs::path& dataFile, const std::string& session)
{
    return folder / (keyOf(dataFile) + "-" + session + ".journal");
}

std::string NewSession()
{
    std::random_device rd;
    std::mt19937_64 rng((static_cast<std::uint64_t>(rd()) << 32) ^ rd() ^
                        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return hex(rng());
}

std::unique_ptr<DataFileLock> DataFileLock::Take(const fs::path& folder, const fs::path& dataFile, Outcome& outcome,
                                                 std::string& why)
{
    if (!makeFolder(folder, why)) {
        outcome = Outcome::Failed;
        return nullptr;
    }
    const std::intptr_t h = takeKey(folder, keyOf(dataFile), outcome, why);
    if (h == kNoHandle)
        return nullptr;
    return std::unique_ptr<DataFileLock>(new DataFileLock(h));
}

DataFileLock::~DataFileLock()
{
    release(handle_);
}

std::vector<Journal> JournalsToOffer(const fs::path& folder, const fs::path& dataFile, const std::string& session,
                                     std::vector<std::string>* damaged)
{
    std::vector<Journal> out;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec))
        return out;
    const std::string only = dataFile.empty() ? std::string() : keyOf(dataFile);
    const std::string own = only.empty() ? std::string() : only + "-" + session + ".journal";
    std::vector<std::pair<std::string, fs::path>> found;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().u8string();
        const auto dash = name.find('-');
        if (dash == std::string::npos || entry.path().extension() != ".journal" || name == own)
            continue;
        const std::string key = name.substr(0, dash);
        if (!only.empty() && key != only)
            continue;
        found.emplace_back(key, entry.path());
    }
    std::sort(found.begin(), found.end());
    for (std::size_t i = 0; i < found.size();) {
        const std::string key = found[i].first;
        // A journal whose file a window holds open is that window's to keep.
        std::intptr_t h = kNoHandle;
        if (only.empty()) {
            DataFileLock::Outcome outcome;
            std::string why;
            h = takeKey(folder, key, outcome, why);
        }
        for (; i < found.size() && found[i].first == key; ++i) {
            if (only.empty() && h == kNoHandle)
                continue;
            Journal j;
            std::string why;
            if (ReadJournal(found[i].second, j, why))
                out.push_back(std::move(j));
            else if (damaged)
                damaged->push_back(found[i].second.u8string() + ": " + why);
        }
        if (h != kNoHandle)
            release(h);
    }
    std::stable_sort(out.begin(), out.end(), [](const Journal& a, const Journal& b) { return a.lastStep > b.lastStep; });
    return out;
}
