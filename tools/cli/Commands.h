// The commands of orbtool-cli, on the editor's own data layer and rules. Each returns the exit
// status (0 ok, 1 differences or problems found, 2 error) and writes its output to out; errors are
// thrown as CliError and reported by the caller on stderr.
#pragma once

#include "core/CountText.h"
#include "core/HiddenBytes.h"
#include "core/Tables.h"
#include "data/ORBIO.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// A command of the tool: its name, a line about it, and its words. options() sets them up on c
// and returns what runs the command once c has read them: its exit status, with its output and
// warnings for the caller to write out.
using CommandRun = std::function<int(std::string& out, std::string& warnings)>;
struct CommandSpec {
    const char* name;
    const char* about;
    std::function<CommandRun(CLI::App* c)> options;
};
// The words a command may take, one set for each command set up.
struct CommandWords {
    std::string file, file2, file3, output, where, table, format, number, number2, dir = ".", csv, from, to, name;
    std::vector<std::string> words;
    bool dryRun = false, force = false;
};
void AddDumpCommand(std::vector<CommandSpec>& to);   // DumpCommand.cpp
void AddFileCommands(std::vector<CommandSpec>& to);  // Commands.cpp
void AddModCommands(std::vector<CommandSpec>& to);   // ModCommands.cpp
void AddRuleCommands(std::vector<CommandSpec>& to);  // RuleCommands.cpp
void AddTreeCommand(std::vector<CommandSpec>& to);   // TreeCommand.cpp
void AddScriptCommands(std::vector<CommandSpec>& to);  // ScriptCommands.cpp

struct CliError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What the commands share.
[[noreturn]] void Fail(const std::string& message);  // throws CliError
// A table named by the user ("units", "Weapons"); unknown ones fail.
TableId TableArg(const std::string& name);
// An entry number of table t written as plain digits ("17", "017"); others fail.
int EntryArg(TableId t, const std::string& text);
// "csv", "JSON": a format in any letter case, as one of those allowed; others fail.
std::string FormatArg(const std::string& text, const std::vector<std::string>& allowed);
// A data file read whole; "-" reads the image from standard input.
struct Loaded {
    std::string name;  // as the user wrote it, or as messages name it
    // What the load read: its count of bytes and where a long file's tail lies. Its bytes are
    // only a save's, which makes room for them.
    OrbImage image{{}, 0, {}, 0};
    OrbData orb;
    std::string stdinTail;  // standard input's bytes past the image, which no file holds
    // The names holding bytes after their end as loaded: a save clears them, and says so.
    std::vector<NameTail> nameTails;
};
// A file that will be saved back must be one the user may write (forWriting). A short file is
// noted on stderr with what its missing values mean to the command (pastEnd). Messages
// name the file as shown, when given.
Loaded LoadData(const std::string& path, bool forWriting, const char* pastEnd = "the values past its end read as 0",
                const std::string& shown = {});
// "'S' is only 30000 bytes long: formations 1 Name lies past its end": why a command cannot use
// a value of a short file.
std::string PastEndText(const std::string& path, std::size_t length, const char* table, int entry, const char* field);
// Packs and saves; refuses values a short file cannot hold, so that nothing is dropped silently,
// and says on stderr how many entries' bytes after their name's end the save cleared. Messages
// name the file as shown, when given.
void SaveData(const std::string& path, Loaded& l, const std::string& shown = {});
// A file's length as loaded, tail included.
std::uint64_t LengthOf(const Loaded& l);
// "units 017 Cost: 73 -> 120"
struct FieldDifference;
std::string DifferenceLine(const FieldDifference& d);
// Whether two loads hold the same length and the same bytes past the image.
bool SameTail(const Loaded& a, const Loaded& b);
// Hands the bytes past the image to piece, first to last, a piece at a time.
void ForEachTailPiece(const Loaded& data, const std::function<void(const char*, std::size_t)>& piece);
// Writes a file the user named (-o and the like) through the one safe way every file is written:
// the whole of bytes or, failing, nothing changed; fails with why, naming path.
void WriteOutputFile(const std::string& path, const std::string& bytes);
// Fails with "cannot write 'PATH': why" for a write of path that r says failed.
[[noreturn]] void FailWriting(const std::string& path, const IoResult& r);
// A text file read whole; "-" reads standard input.
std::string ReadText(const std::string& path);

// Notes for stderr that are not errors (a short file); the caller writes them out.
std::string& CliNotes();

// Writes to standard output or a file opened for the output. A full disk or a closed pipe shows
// only when the bytes leave the stream's buffer, perhaps long after: the first failure's cause is
// kept for FinishOutput to report.
void Emit(std::FILE* f, const char* s, std::size_t n);
inline void Emit(std::FILE* f, const std::string& s) { Emit(f, s.data(), s.size()); }
// Flushes and closes f: empty when every byte written reached it, else the cause of the first
// failure ("No space left on device").
std::string FinishOutput(std::FILE* f);

int CmdList(const std::string& dir, std::string& out);
// Writes as it goes, straight to out: nothing is written before the file has been read.
// A workbook (xlsx) goes to the file output names; the other formats to it or, without one, to out.
int CmdDump(const std::string& file, const std::string& table, const std::string& format, std::FILE* out,
            const std::string& output);
int CmdFields(const std::string& table, std::string& out);
// get and set act on entry NUMBER, or with `where` (a filter, "Nation=12 Cost>100") on every
// entry it matches.
int CmdGet(const std::string& file, const std::string& table, const std::string& number, const std::string& where,
           const std::vector<std::string>& fields, std::string& out);
int CmdSet(const std::string& file, const std::string& table, const std::string& number, const std::string& where,
           const std::vector<std::string>& assignments, std::string& out, std::string& warnings);
// import FILE [TABLE] SOURCE: a CSV of TABLE, or a workbook or JSON of all tables or of TABLE (Exchange.cpp).
// force: names stored as written where they look like UTF-8 read as Windows-1252.
int CmdImport(const std::string& file, const std::vector<std::string>& words, bool dryRun, bool force, std::string& out);
int CmdDiff(const std::string& a, const std::string& b, const std::string& table, const std::string& format,
            std::string& out);
// check FILE|DIR...: the rules' findings; --rules and --ignore take codes, --rules-from a folder
// of rule scripts (RuleCommands.cpp). Each file it cannot read is named on stderr, the others
// checked; then the exit status is 2.
int CmdCheck(const std::vector<std::string>& paths, const std::string& format, const std::string& rules,
             const std::string& ignore, bool listRules, const std::string& rulesFrom, std::string& out);
// The rules of every .lua in dir (ScriptCommands.cpp); what they printed while loading goes to CliNotes.
class ScriptRuleSet;
std::unique_ptr<ScriptRuleSet> LoadRuleFiles(const std::string& dir);
int CmdRefs(const std::string& file, const std::string& table, const std::string& number, std::string& out);
int CmdMove(const std::string& file, const std::string& table, const std::string& from, const std::string& to, bool swap,
            std::string& out);
int CmdRenumber(const std::string& file, const std::string& from, const std::string& to, std::string& out);
int CmdCopy(const std::string& src, const std::string& table, const std::string& number, const std::string& dst,
            const std::string& number2, std::string& out);

// Mods: patches, a three-way merge, git's text of a file and git's set-up (ModCommands.cpp).
int CmdPatch(const std::string& stock, const std::string& modded, const std::string& output, std::string& out);
int CmdApply(const std::string& file, const std::vector<std::string>& patches, bool dryRun, std::string& out);
// name: the file's path in the repository, which git's merge driver gives (%P), for messages.
int CmdMerge(const std::string& base, const std::string& ours, const std::string& theirs, const std::string& output,
             const std::string& name, std::string& out);
int CmdShow(const std::string& file, std::string& out);
int CmdGitSetup(const std::string& dir, std::string& out);
