#include "core/Csv.h"

CsvTable ReadCsv(const std::string& text, char separator)
{
    CsvTable t;
    // The cell being read is the row's cells.size() + 1.
    auto fail = [&t](int line, std::size_t cells, const char* why) {
        t.error = why;
        t.errorLine = line;
        t.errorColumn = static_cast<int>(cells) + 1;
        return t;
    };
    std::size_t i = text.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
    int line = 1;
    while (i < text.size()) {
        CsvRow row;
        row.line = line;
        std::string cell;
        bool endOfRow = false;
        while (!endOfRow) {
            if (i < text.size() && text[i] == '"') {
                // A quoted cell runs to the next quote that is not doubled.
                ++i;
                int opened = line;
                for (;;) {
                    if (i >= text.size()) {
                        return fail(opened, row.cells.size(), "a quoted cell is never closed");
                    }
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            cell += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (text[i] == '\n')
                        ++line;
                    cell += text[i++];
                }
                if (i < text.size() && text[i] != separator && text[i] != '\r' && text[i] != '\n') {
                    return fail(line, row.cells.size(), "text after a quoted cell");
                }
            } else {
                while (i < text.size() && text[i] != separator && text[i] != '\r' && text[i] != '\n') {
                    if (text[i] == '"') {
                        return fail(line, row.cells.size(), "a quote inside an unquoted cell");
                    }
                    cell += text[i++];
                }
            }
            row.cells.push_back(std::move(cell));
            cell.clear();
            if (i < text.size() && text[i] == separator) {
                ++i;
                continue;
            }
            if (i < text.size() && text[i] == '\r')
                ++i;
            if (i < text.size() && text[i] == '\n')
                ++i;
            ++line;
            endOfRow = true;
        }
        t.rows.push_back(std::move(row));
    }
    return t;
}

std::string CsvCell(const std::string& s, char separator)
{
    if (s.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

char CsvSeparator(const std::string& text)
{
    std::size_t i = text.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
    while (i < text.size() && (text[i] == '\r' || text[i] == '\n'))
        ++i;
    int commas = 0, semicolons = 0, tabs = 0;
    for (bool quoted = false; i < text.size() && (quoted || (text[i] != '\r' && text[i] != '\n')); ++i) {
        const char c = text[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted)
            commas += c == ',', semicolons += c == ';', tabs += c == '\t';
    }
    if (commas >= semicolons && commas >= tabs)
        return ',';
    return semicolons >= tabs ? ';' : '\t';
}
