// What the commands share: their output, their failures, and loading and saving data files.
#include "tools/cli/Commands.h"

#include "core/OrbFile.h"
#include "core/Tables.h"
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

std::FILE* OpenOutput(const fs::path& path, const char* mode)
{
#ifdef _WIN32
    const std::string m(mode);
    return _wfopen(path.c_str(), std::wstring(m.begin(), m.end()).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
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
        Fail("unknown format '" + text + "' (" + allowed[0] + " or " + allowed[1] + ")");
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
        Fail(saved.written.error);
    // A name's field holds the name alone once saved: bytes after its end are not kept.
    if (const std::size_t cleared = NameTailsCleared(data.nameTails, data.image.bytes.data()))
        CliNotes() += "orbtool-cli: '" + named + "': the save cleared the bytes after the name's end of " +
                      CountText(cleared, "entry", "entries") + "\n";
}

std::string ReadText(const std::string& path)
{
    if (path == "-")
        return std::string((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    std::ifstream in(fs::u8path(path), std::ios::binary);
    if (!in)
        Fail("cannot read '" + path + "'");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text;
}
