// The commands that carry mods: patches, a three-way merge, the text git shows, and git's set-up.
#include "tools/cli/Commands.h"

#include "core/Merge.h"
#include "core/Patch.h"

#include <CLI/CLI.hpp>

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
    std::FILE* f = OpenOutput(fs::u8path(path), "wb");
    if (!f)
        Fail("cannot write '" + path + "': " + std::strerror(errno));
    Emit(f, text);
    const std::string why = FinishOutput(f);
    if (!why.empty())
        Fail("cannot write '" + path + "': " + why);
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

// Runs git with args (words for the system's command line) in dir; true when it succeeded.
bool git(const std::string& dir, const std::vector<std::string>& args)
{
    std::string command = "git -C " + commandWord(dir);
    for (const std::string& a : args)
        command += " " + commandWord(a);
#ifdef _WIN32
    command += " >NUL 2>&1";
#else
    command += " >/dev/null 2>&1";
#endif
    return std::system(command.c_str()) == 0;
}
}  // namespace

int CmdPatch(const std::string& stock, const std::string& modded, const std::string& output, std::string& out)
{
    Loaded a = LoadData(stock, false), b = LoadData(modded, false);
    if (const std::size_t other = OtherBytesDiffering(a.orb, b.orb))
        CliNotes() += "orbtool-cli: " + std::to_string(other) +
                      " bytes that no field holds differ; the patch does not carry them\n";
    if (LengthOf(a) != LengthOf(b))
        CliNotes() += "orbtool-cli: the files' lengths differ (" + std::to_string(LengthOf(a)) + " and " +
                      std::to_string(LengthOf(b)) + " bytes); the patch does not carry that\n";
    writeOut(output, PatchText(a.orb, b.orb), out);
    return 0;
}

int CmdApply(const std::string& file, const std::vector<std::string>& patchFiles, bool dryRun, std::string& out)
{
    Loaded data = LoadData(file, !dryRun);
    std::vector<Patch> patches;
    std::string errors;
    for (const std::string& p : patchFiles) {
        PatchRead r = ReadPatch(ReadText(p), p);
        if (!r.readAs.empty())
            CliNotes() += "orbtool-cli: read '" + p + "' as " + r.readAs + "\n";
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
        CliNotes() += list + "orbtool-cli: " + std::to_string(applied.conflicts.size()) +
                      " conflicts: nothing was applied\n";
        return 1;
    }
    for (const std::string& c : applied.changes)
        out += (dryRun ? "would change " : "") + c + "\n";
    if (!dryRun && !applied.changes.empty())
        SaveData(file, data);
    out += (dryRun ? "would change " : "changed ") + std::to_string(applied.changes.size()) + " fields\n";
    return 0;
}

int CmdMerge(const std::string& base, const std::string& ours, const std::string& theirs, const std::string& output,
             std::string&)
{
    const char* pastEnd = "its values past the end are taken as unchanged";
    Loaded b = LoadData(base, false, pastEnd), o = LoadData(ours, false, pastEnd), t = LoadData(theirs, false, pastEnd);
    MergeResult m = MergeOrb(b.orb, o.orb, t.orb, {b.image.bytesRead, o.image.bytesRead, t.image.bytesRead});
    const std::string target = output.empty() ? ours : output;
    // The result keeps ours' length and tail.
    o.orb = std::move(m.merged);
    SaveData(target, o);
    // Quiet when clean, as git's own merges are; git runs this as its merge driver.
    for (const std::string& c : m.conflicts)
        CliNotes() += "CONFLICT " + c + "\n";
    if (!m.conflicts.empty())
        CliNotes() += "orbtool-cli: " + std::to_string(m.conflicts.size()) + " conflicts kept ours' values in " +
                      target + "\n";
    return m.conflicts.empty() ? 0 : 1;
}

int CmdShow(const std::string& file, std::string& out)
{
    out += ShowText(LoadData(file, false).orb);
    return 0;
}

int CmdGitSetup(const std::string& dir, std::string& out)
{
    if (!git(dir, {"rev-parse", "--git-dir"}))
        Fail("'" + dir + "' is not inside a git repository (run 'git init' there first)");
    const std::string tool = shellWord(programPath());
    // What git runs (through its shell, on every system): the tool by its full path.
    // Data file names in any letter case: ORB05, orb12, Orb70.
    const std::string attributes = "[Oo][Rr][Bb][0-9][0-9] diff=orb merge=orb";
    const fs::path file = fs::u8path(dir) / ".gitattributes";
    std::string held;
    {
        std::ifstream in(file, std::ios::binary);
        held.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (held.find(attributes) == std::string::npos) {
        std::FILE* f = OpenOutput(file, "ab");
        if (!f)
            Fail("cannot write '" + file.u8string() + "': " + std::strerror(errno));
        Emit(f, (held.empty() || held.back() == '\n' ? "" : "\n") + attributes + "\n");
        const std::string why = FinishOutput(f);
        if (!why.empty())
            Fail("cannot write '" + file.u8string() + "': " + why);
        out += file.u8string() + ": " + attributes + "\n";
    } else {
        out += file.u8string() + ": already has " + attributes + "\n";
    }
    const std::pair<std::string, std::string> settings[] = {
        {"diff.orb.textconv", tool + " show"},
        {"merge.orb.name", "orbtool-cli field-by-field merge of data files"},
        {"merge.orb.driver", tool + " merge %O %A %B"},
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
                      return CommandRun([w](std::string& out, std::string&) {
                          return CmdMerge(w->file, w->file2, w->file3, w->output, out);
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
