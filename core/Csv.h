// Comma-separated values as spreadsheets write them: quoted cells may hold separators, quotes
// (doubled) and line breaks; lines end in CRLF or LF; the separator is a comma, or a semicolon
// where the decimal mark is a comma, or a tab (a copied range).
#pragma once

#include <string>
#include <vector>

struct CsvRow {
    int line = 0;  // the line the row starts on, from 1
    std::vector<std::string> cells;
};

struct CsvTable {
    std::vector<CsvRow> rows;
    std::string error;  // empty when the text could be read; otherwise why not
    int errorLine = 0, errorColumn = 0;  // where: the line, and the cell in its row, from 1
};

// Reads the whole text. A byte order mark at the start is skipped; a final line break ends the
// last row rather than starting an empty one.
CsvTable ReadCsv(const std::string& text, char separator = ',');
// The separator the first line that is not blank uses: whichever of comma, semicolon and tab it
// holds most of outside quotes; a comma when it holds none.
char CsvSeparator(const std::string& text);
// A cell as written: quoted when it holds the separator, a quote or a line break.
std::string CsvCell(const std::string& s, char separator = ',');
