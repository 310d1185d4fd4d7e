// The commands of orbtool-cli, on the editor's own data layer and rules. Each returns the exit
// status (0 ok, 1 differences or problems found, 2 error) and writes its output to out; errors are
// thrown as CliError and reported by the caller on stderr.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

struct CliError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Notes for stderr that are not errors (a short file); the caller writes them out.
std::string& CliNotes();

int CmdList(const std::string& dir, std::string& out);
// Writes as it goes, straight to out: nothing is written before the file has been read.
int CmdDump(const std::string& file, const std::string& table, const std::string& format, std::FILE* out);
int CmdFields(const std::string& table, std::string& out);
int CmdGet(const std::string& file, const std::string& table, const std::string& number,
           const std::vector<std::string>& fields, std::string& out);
int CmdSet(const std::string& file, const std::string& table, const std::string& number,
           const std::vector<std::string>& assignments, std::string& out, std::string& warnings);
int CmdImport(const std::string& file, const std::string& table, const std::string& csv, bool dryRun,
              std::string& out);
int CmdDiff(const std::string& a, const std::string& b, const std::string& table, const std::string& format,
            std::string& out);
int CmdCheck(const std::string& file, std::string& out);
int CmdRenumber(const std::string& file, const std::string& from, const std::string& to, std::string& out);
int CmdCopy(const std::string& src, const std::string& table, const std::string& number, const std::string& dst,
            const std::string& number2, std::string& out);
