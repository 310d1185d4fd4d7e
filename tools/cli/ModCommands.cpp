// The commands that carry mods: patches, a three-way merge, the text git shows, and git's set-up.
#include "tools/cli/Commands.h"

#include "core/HiddenBytes.h"
#include "core/Merge.h"
#include "core/Patch.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {
// Writes text to path, or to standard output when path is empty.
void writeOut(const std::string& path, const std::string& text, std::string& out)
{
    if (path.empty()) {
        out += text;
        return;
    }
    WriteOutputFile(path, text);
}

// The running program's own path, so that git finds the tool from any folder.
std::string programPath()
{
#ifdef _WIN32
    wchar_t buf[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return fs::path(std::wstring(buf, n)).u8string();
#else
    std::error_code ec;
    const fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("orbtool-cli") : p.u8string();
#endif
}

// A word for a shell command line: quoted when it holds anything but plain characters.
std::string shellWord(const std::string& s)
{
    if (s.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-./:=%") == std::string::npos)
        return s;
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A word for the system's own command line.
std::string commandWord(const std::string& s)
{
#ifdef _WIN32
    std::string q = "\"";
    for (char c : s)
        q += c == '"' ? std::string("\\\"") : std::string(1, c);
    return q + "\"";
#else
    return shellWord(s);
#endif
}

// The command line that runs git with args (words for the system's command line) in dir.
std::string gitCommand(const std::string& dir, const std::vector<std::string>& args)
{
    std::string command = "git -C " + commandWord(dir);
    for (const std::string& a : args)
        command += " " + commandWord(a);
    return command;
}

// Runs git with args in dir; true when it succeeded.
bool git(const std::string& dir, const std::vector<std::string>& args)
{
#ifdef _WIN32
    return std::system((gitCommand(dir, args) + " >NUL 2>&1").c_str()) == 0;
#else
    return std::system((gitCommand(dir, args) + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

// What git prints on its standard output for args in dir, its line end taken off; empty when it
// failed.
std::string gitSays(const std::string& dir, const std::vector<std::string>& args)
{
#ifdef _WIN32
    std::FILE* p = _popen((gitCommand(dir, args) + " 2>NUL").c_str(), "rb");
#else
    std::FILE* p = popen((gitCommand(dir, args) + " 2>/dev/null").c_str(), "r");
#endif
    if (!p)
        return {};
    std::string said;
    char buf[512];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        said.append(buf, n);
#ifdef _WIN32
    const int status = _pclose(p);
#else
    const int status = pclose(p);
#endif
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r'))
        said.pop_back();
    return status == 0 ? said : std::string();
}
}  // namespace

int CmdPatch(const std::string& stock, const std::string& modded, const std::string& output, std::string& out)
{
    const char* pastEnd = "the patch leaves out its values past the end";
    Loaded a = LoadData(stock, false, pastEnd), b = LoadData(modded, false, pastEnd);
    // What lies past either file's end is no change of the mod's, only what a short file lacks.
    const std::size_t length = std::min(a.image.bytesRead, b.image.bytesRead);
    if (const std::size_t other = OtherBytesDiffering(a.orb, b.orb, length))
        CliNotes() += "orbtool-cli: " + CountText(other, "byte that no field holds differs", "bytes that no field holds differ") +
                      "; the patch does not carry " + (other == 1 ? "it\n" : "them\n");
    std::size_t nameEnds = 0;
    for (const std::string& line : HiddenBytesDifferences(a.orb, b.orb))
        nameEnds += line.find(" after its end: ") != std::string::npos;
    if (nameEnds)
        CliNotes() += "orbtool-cli: " + CountText(nameEnds, "name's bytes after its end differ", "names' bytes after their end differ") +
                      "; the patch does not carry them\n";
    if (LengthOf(a) != LengthOf(b))
        CliNotes() += "orbtool-cli: the files' lengths differ (" + std::to_string(LengthOf(a)) + " and " +
                      std::to_string(LengthOf(b)) + " bytes); the patch does not carry that\n";
    else if (!SameTail(a, b))
        CliNotes() += "orbtool-cli: the bytes past " + std::to_string(OrbImageSize) +
                      " differ; the patch does not carry them\n";
    std::size_t leftOut = 0;
    const std::string text = PatchText(a.orb, b.orb, a.image.bytesRead, b.image.bytesRead, &leftOut);
    if (leftOut)
        CliNotes() += "orbtool-cli: " + CountText(leftOut, "field that differs lies", "fields that differ lie") +
                      " past a file's end; the patch leaves " + (leftOut == 1 ? "it" : "them") + " out\n";
    writeOut(output, text, out);
    return 0;
}

int CmdApply(const std::string& file, const std::vector<std::string>& patchFiles, bool dryRun, std::string& out)
{
    Loaded data = LoadData(file, !dryRun);
    std::vector<Patch> patches;
    std::string errors;
    for (const std::string& p : patchFiles) {
        PatchRead r = ReadPatch(ReadText(p), p);
        if (!r.note.empty())
            CliNotes() += "orbtool-cli: " + r.note + "\n";
        for (const std::string& e : r.errors)
            errors += "\n  " + e;
        patches.push_back(std::move(r.patch));
    }
    if (!errors.empty())
        Fail("nothing was applied:" + errors);
    PatchApplied applied = ApplyPatches(data.orb, patches, data.image.bytesRead);
    for (const std::string& e : applied.refused)
        errors += "\n  " + e;
    if (!errors.empty())
        Fail("nothing was applied:" + errors);
    if (!applied.conflicts.empty()) {
        std::string list;
        for (const std::string& c : applied.conflicts)
            list += c + "\n";
        CliNotes() += list + "orbtool-cli: " + CountText(applied.conflicts.size(), "conflict", "conflicts") +
                      ": nothing was applied\n";
        return 1;
    }
    for (const std::string& c : applied.changes)
        out += (dryRun ? "would change " : "") + c + "\n";
    if (!dryRun && !applied.changes.empty())
        SaveData(file, data);
    out += (dryRun ? "would change " : "changed ") + CountText(applied.changes.size(), "field", "fields") + "\n";
    return 0;
}

int CmdMerge(const std::string& base, const std::string& ours, const std::string& theirs, const std::string& output,
             const std::string& name, std::string&)
{
    const char* pastEnd = "its values past the end are taken as unchanged";
    // git hands the three sides over as temporary files: messages name them by the path given.
    auto side = [&name](const std::string& path, const char* which) {
        return name.empty() ? path : name + " (" + which + ")";
    };
    Loaded b = LoadData(base, false, pastEnd, side(base, "base")), o = LoadData(ours, false, pastEnd, side(ours, "ours")),
           t = LoadData(theirs, false, pastEnd, side(theirs, "theirs"));
    const std::string target = output.empty() ? ours : output;
    const std::string shown = name.empty() ? target : name;
    // The length and the tail: the result carries them from the side that changed them, and
    // with theirs' longer length it holds theirs' values past ours' end.
    auto same = [](const Loaded& x, const Loaded& y) {
        return LengthOf(x) == LengthOf(y) && (LengthOf(x) <= OrbImageSize || SameTail(x, y));
    };
    const ExtentMerge extent = MergeExtent(same(b, o), same(b, t), same(o, t));
    bool takeTheirs = extent.takeTheirs;
    MergeResult m = MergeOrb(b.orb, o.orb, t.orb, {b.image.bytesRead, o.image.bytesRead, t.image.bytesRead,
                                                   takeTheirs ? t.image.bytesRead : 0});
    auto extentText = [](const Loaded& x) {
        return CountText(LengthOf(x), "byte", "bytes") + (x.image.tailSize || !x.stdinTail.empty() ? " with a tail" : "");
    };
    if (extent.conflict)
        m.conflicts.push_back("file length and tail: base " + extentText(b) + ", ours " + extentText(o) + ", theirs " +
                              extentText(t) + ", each changed: kept ours'");
    if (takeTheirs && t.image.bytesRead < o.image.bytesRead) {
        // Theirs cut the file short: the merged values must fit in what is left.
        std::vector<uint8_t> packed(OrbImageSize);
        PackImage(m.merged, packed.data());
        const auto lost = ValuesPastEnd(packed.data(), t.image.bytesRead);
        if (!lost.empty()) {
            takeTheirs = false;
            m.conflicts.push_back("file length: theirs cut it to " + CountText(t.image.bytesRead, "byte", "bytes") + ", where " +
                                  lost.front().table + " " + std::to_string(lost.front().entry) + " " + lost.front().field +
                                  " holds a value: kept ours' length");
        }
    }
    Loaded& carrier = takeTheirs ? t : o;
    carrier.orb = std::move(m.merged);
    // The bytes after a name's end that all three sides held are what the save alone takes away;
    // where the sides differ there, their own diff shows it.
    auto heldBy = [](const Loaded& x, std::size_t at) {
        return std::any_of(x.nameTails.begin(), x.nameTails.end(), [at](const NameTail& n) { return n.at == at; });
    };
    std::vector<NameTail> everywhere;
    for (const NameTail& n : carrier.nameTails)
        if (heldBy(b, n.at) && heldBy(o, n.at) && heldBy(t, n.at))
            everywhere.push_back(n);
    carrier.nameTails = std::move(everywhere);
    SaveData(target, carrier, shown);
    // Quiet when clean, as git's own merges are; git runs this as its merge driver.
    for (const std::string& c : m.conflicts)
        CliNotes() += "CONFLICT " + shown + ": " + c + "\n";
    if (!m.conflicts.empty())
        CliNotes() += "orbtool-cli: " + shown + ": " + CountText(m.conflicts.size(), "conflict", "conflicts") +
                      " kept ours' values\n";
    return m.conflicts.empty() ? 0 : 1;
}

int CmdShow(const std::string& file, std::string& out)
{
    const Loaded data = LoadData(file, false);
    out += ShowText(data.orb);
    // Then what no field shows, so that git shows every byte a commit changed.
    out += HiddenBytesText(data.orb);
    if (LengthOf(data) != OrbImageSize)
        out += "file length " + std::to_string(LengthOf(data)) + "\n";
    // The tail: its first MiB as hex, 32 bytes a line; past that a hash a MiB, which says that a
    // block changed without making git diff a text of gigabytes.
    static const char digits[] = "0123456789abcdef";
    constexpr std::uint64_t kHexPart = 1 << 20, kBlock = 1 << 20;
    std::uint64_t at = OrbImageSize, hash = 0;
    std::string line;
    auto offset = [](std::uint64_t o) {
        std::string t = std::to_string(o);
        return std::string(t.size() < 8 ? 8 - t.size() : 0, '0') + t;
    };
    ForEachTailPiece(data, [&](const char* bytes, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i, ++at) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            const std::uint64_t past = at - OrbImageSize;
            if (past < kHexPart) {
                if (past % 32 == 0)
                    line = "file tail " + offset(at) + ":";
                line += ' ';
                line += digits[b >> 4];
                line += digits[b & 15];
                if (past % 32 == 31 || at + 1 == LengthOf(data) || past + 1 == kHexPart)
                    out += line + "\n";
                continue;
            }
            if ((past - kHexPart) % kBlock == 0)
                hash = 14695981039346656037ull;
            hash = (hash ^ b) * 1099511628211ull;
            if ((past - kHexPart) % kBlock == kBlock - 1 || at + 1 == LengthOf(data)) {
                char text[17];
                std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
                out += "file tail " + offset(at - (past - kHexPart) % kBlock) + " to " + offset(at) + ": fnv-1a " + text + "\n";
            }
        }
    });
    return 0;
}

int CmdGitSetup(const std::string& dir, std::string& out)
{
    std::error_code ec;
    if (!fs::exists(fs::u8path(dir), ec))
        Fail("'" + dir + "' does not exist");
    if (!fs::is_directory(fs::u8path(dir), ec))
        Fail("'" + dir + "' is not a folder");
    // The attributes go to the repository's root, where they cover every folder of it.
    const std::string root = gitSays(dir, {"rev-parse", "--show-toplevel"});
    if (root.empty())
        Fail("'" + dir + "' is not inside a git repository (run 'git init' there first)");
    const std::string tool = shellWord(programPath());
    // What git runs (through its shell, on every system): the tool by its full path.
    // Data file names in any letter case: ORB05, orb12, Orb70. A data file is no text: git's
    // line-end conversion (text, eol, core.autocrlf) would shift every field after a 10 byte.
    const std::string attributes = "[Oo][Rr][Bb][0-9][0-9] -text diff=orb merge=orb";
    const fs::path file = fs::u8path(root) / ".gitattributes";
    // The file is written whole again with the line added: what it held must be read first, or
    // the write would drop it.
    const std::string held = fs::exists(file, ec) ? ReadText(file.u8string()) : std::string();
    if (held.find(attributes) == std::string::npos) {
        WriteOutputFile(file.u8string(), held + (held.empty() || held.back() == '\n' ? "" : "\n") + attributes + "\n");
        out += file.u8string() + ": " + attributes + "\n";
    } else {
        out += file.u8string() + ": already has " + attributes + "\n";
    }
    const std::pair<std::string, std::string> settings[] = {
        {"diff.orb.textconv", tool + " show"},
        // Not binary: so that git diff --stat counts the lines of show that changed, one a field.
        {"diff.orb.binary", "false"},
        {"merge.orb.name", "orbtool-cli field-by-field merge of data files"},
        {"merge.orb.driver", tool + " merge %O %A %B --name %P"},
    };
    for (const auto& [key, value] : settings) {
        if (!git(dir, {"config", key, value}))
            Fail("git config " + key + " failed");
        out += "git config " + key + " " + shellWord(value) + "\n";
    }
    return 0;
}

void AddModCommands(std::vector<CommandSpec>& to)
{
    to.push_back({"patch", "The fields MODDED changes from STOCK, as a patch (a text file that apply carries onto any file)",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("STOCK", w->file)->required();
                      c->add_option("MODDED", w->file2)->required();
                      c->add_option("-o", w->output, "Write the patch there (default: standard output)");
                      return CommandRun([w](std::string& out, std::string&) { return CmdPatch(w->file, w->file2, w->output, out); });
                  }});
    to.push_back({"apply", "Applies patches in order onto FILE and saves once; any conflict: all listed, exit 1, nothing written",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->file)->required();
                      c->add_option("PATCH", w->words, "Patch files; - reads one from standard input")->required();
                      c->add_flag("--dry-run", w->dryRun, "Print the changes and write nothing");
                      return CommandRun([w](std::string& out, std::string&) { return CmdApply(w->file, w->words, w->dryRun, out); });
                  }});
    to.push_back({"merge", "Three-way merge, field by field, into OUT (default: over OURS); conflicts keep ours' values, exit 1",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("BASE", w->file)->required();
                      c->add_option("OURS", w->file2)->required();
                      c->add_option("THEIRS", w->file3)->required();
                      c->add_option("-o", w->output, "Write the result there instead of over OURS");
                      c->add_option("--name", w->name, "The file's name in messages (git gives its path in the repository)");
                      return CommandRun([w](std::string& out, std::string&) {
                          return CmdMerge(w->file, w->file2, w->file3, w->output, w->name, out);
                      });
                  }});
    to.push_back({"show", "Every field of every entry, one line each: the text git diffs", [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->file)->required();
                      return CommandRun([w](std::string& out, std::string&) { return CmdShow(w->file, out); });
                  }});
    to.push_back({"git-setup", "Makes the git repository at DIR diff and merge data files through this tool", [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("DIR", w->dir, "The repository (default: the working folder)");
                      return CommandRun([w](std::string& out, std::string&) { return CmdGitSetup(w->dir, out); });
                  }});
}
