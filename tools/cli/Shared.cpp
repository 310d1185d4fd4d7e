// What the commands share: their output, their failures, and loading and saving data files.
#include "tools/cli/Commands.h"

#include "core/OrbFile.h"
#include "core/Tables.h"
#include "data/FileWrite.h"
#include "data/ORBIO.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace fs = std::filesystem;

std::string& CliNotes()
{
    static std::string notes;
    return notes;
}

namespace {
int& firstOutputError()
{
    static int err = 0;
    return err;
}
}  // namespace

void Emit(std::FILE* f, const char* s, std::size_t n)
{
    if (n && std::fwrite(s, 1, n, f) != n && !firstOutputError())
        firstOutputError() = errno ? errno : EIO;
}

std::string FinishOutput(std::FILE* f)
{
    int err = firstOutputError();
    if (std::fflush(f) != 0 && !err)
        err = errno ? errno : EIO;
    if (std::ferror(f) && !err)
        err = EIO;
    if (std::fclose(f) != 0 && !err)
        err = errno ? errno : EIO;
    firstOutputError() = 0;
    return err ? std::strerror(err) : std::string();
}

void Fail(const std::string& message)
{
    throw CliError(message);
}

TableId TableArg(const std::string& name)
{
    auto t = ParseTable(name);
    if (!t)
        Fail("unknown table '" + name + "' (units, weapons or formations)");
    return *t;
}

// "csv", "JSON": a format in any letter case, as one of those allowed.
std::string FormatArg(const std::string& text, const std::vector<std::string>& allowed)
{
    std::string format = text;
    for (char& c : format)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (std::find(allowed.begin(), allowed.end(), format) == allowed.end())
    {
        std::string choices;
        for (std::size_t i = 0; i < allowed.size(); ++i)
            choices += (i == 0 ? "" : i + 1 == allowed.size() ? " or " : ", ") + allowed[i];
        Fail("unknown format '" + text + "' (" + choices + ")");
    }
    return format;
}

// A file's length as loaded, tail included.
std::uint64_t LengthOf(const Loaded& data)
{
    return data.image.bytesRead + (data.image.tailSize ? data.image.tailSize : data.stdinTail.size());
}

Loaded LoadData(const std::string& path, bool forWriting, const char* pastEnd, const std::string& shown)
{
    Loaded data;
    data.name = shown.empty() ? path : shown;
    if (path == "-" && !forWriting) {
        std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        std::vector<uint8_t> image(OrbImageSize, 0);
        data.image.bytesRead = std::min(bytes.size(), OrbImageSize);
        std::copy_n(bytes.begin(), data.image.bytesRead, image.begin());
        if (bytes.size() > OrbImageSize)
            data.stdinTail = bytes.substr(OrbImageSize);
        data.orb = OrbData(std::move(image));
    } else {
        std::error_code ec;
        const fs::path p = fs::u8path(path);  // arguments are UTF-8 on every system
        auto st = fs::status(p, ec);
        if (st.type() == fs::file_type::none && ec)
            Fail("'" + path + "': " + ec.message());  // a folder on the way that cannot be searched
        if (!fs::exists(st))
            Fail("'" + path + "' does not exist");
        if (!fs::is_regular_file(st))
            Fail("'" + path + "' is not a data file");
        IoResult r = ReadDataFile(p, data.orb, data.image, false);
        if (!r.ok)
            Fail(r.error);
        if (forWriting) {
            std::string obstacle = SaveObstacle(p);
            if (!obstacle.empty())
                Fail(path + ": " + obstacle);
        }
    }
    data.nameTails = NameTails(data.orb);
    if (data.image.bytesRead < OrbImageSize)
        CliNotes() += "orbtool-cli: '" + data.name + "' is only " + CountText(data.image.bytesRead, "byte", "bytes") + " long, not " +
                      std::to_string(OrbImageSize) + ": " + pastEnd + "\n";
    return data;
}

std::string PastEndText(const std::string& path, std::size_t length, const char* table, int entry, const char* field)
{
    return "'" + path + "' is only " + CountText(length, "byte", "bytes") + " long: " + table + " " +
           std::to_string(entry) + " " + field + " lies past its end";
}

void SaveData(const std::string& path, Loaded& data, const std::string& shown)
{
    const std::string& named = shown.empty() ? path : shown;
    DataFileSave saved = WriteDataFile(fs::u8path(path), data.orb, data.image, true);
    if (!saved.pastEnd.empty())
        Fail(PastEndText(named, data.image.bytesRead, saved.pastEnd.front().table, saved.pastEnd.front().entry,
                         saved.pastEnd.front().field) +
             " and cannot be stored");
    if (!saved.written.ok)
        FailWriting(path, saved.written);
    // A name's field holds the name alone once saved: bytes after its end are not kept.
    if (const std::size_t cleared = NameTailsCleared(data.nameTails, data.image.bytes.data()))
        CliNotes() += "orbtool-cli: '" + named + "': the save cleared the bytes after the name's end of " +
                      CountText(cleared, "entry", "entries") + "\n";
}

void WriteOutputFile(const std::string& path, const std::string& bytes)
{
    const IoResult r = WriteFileSafely(fs::u8path(path), bytes);
    if (!r.ok)
        FailWriting(path, r);
}

void FailWriting(const std::string& path, const IoResult& r)
{
    // The result names the file as the system spells it; the message, as the user wrote it.
    const std::string named = fs::u8path(path).u8string() + ": ";
    Fail("cannot write '" + path + "': " + (r.error.rfind(named, 0) == 0 ? r.error.substr(named.size()) : r.error));
}

std::string ReadText(const std::string& path)
{
    if (path == "-")
        return std::string((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    const fs::path p = fs::u8path(path);
    auto fail = [&path](const std::string& why) { Fail("cannot read '" + path + "': " + why); };
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (st.type() == fs::file_type::not_found)
        fail("it does not exist");
    if (ec)
        fail(ec.message());  // a folder on the way that cannot be searched
    // A folder opens as a file does on some systems, and fails only on the first read.
    if (fs::is_directory(st))
        fail("it is a folder");
#ifdef _WIN32
    std::FILE* f = _wfopen(p.c_str(), L"rb");
#else
    std::FILE* f = std::fopen(p.c_str(), "rb");  // a pipe too (<(command)): not only regular files
#endif
    if (!f)
        fail(std::strerror(errno));
    std::string text;
    char buf[1 << 16];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        text.append(buf, n);
    const int err = std::ferror(f) ? (errno ? errno : EIO) : 0;
    std::fclose(f);
    if (err)
        fail(std::strerror(err));
    return text;
}
