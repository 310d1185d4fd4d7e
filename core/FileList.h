// The 66 lines of the data file list: modern files 0..43, then second-world-war files 70..91.
#pragma once

#include <array>
#include <string>
#include <vector>

constexpr int OrbListLineCount = 66;

int FileNumberOfListLine(int line);  // 0..43 -> 0..43, 44..65 -> 70..91
int ListLineOfFileNumber(int n);     // the inverse; -1 for numbers that are never listed

// "Orb05 - MOD - Japan", or " ? Orb05 - MOD - Japan" when the file is missing.
std::string OrbListLine(int n, bool exists);
// Every line in order, or none at all when no listed file exists.
std::vector<std::string> OrbListLines(const std::array<bool, 100>& exists);
// The line of the first listed file that exists, or -1.
int FirstExistingListLine(const std::array<bool, 100>& exists);
