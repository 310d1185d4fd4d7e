#include "tools/cli/Workbook.h"

#include "tools/cli/Commands.h"

#ifdef ORB_WORKBOOKS
#include "core/CodeNames.h"
#include "core/Latin1.h"

#include <pugixml.hpp>
#include <xlsxwriter.h>
#include <minizip/unzip.h>

#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <tuple>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {
// The workbook libraries, loaded the first time a workbook is written or read: linked in, they
// and what they load (zlib, libcrypto) made every start of the tool slower, a dump 3.3 ms
// against 1.3 ms, for the few runs that touch a workbook.
#define ORB_WORKBOOK_CALLS(X)                                                                                    \
    X(workbook_new) X(workbook_close) X(workbook_add_worksheet) X(workbook_add_format) X(worksheet_write_string)   \
    X(worksheet_write_number) X(worksheet_set_column) X(worksheet_freeze_panes) X(worksheet_data_validation_range) \
    X(format_set_num_format) X(format_set_italic) X(format_set_font_color) X(format_set_bold) X(lxw_strerror)      \
    X(unzOpen64) X(unzClose) X(unzLocateFile) X(unzOpenCurrentFile) X(unzReadCurrentFile) X(unzCloseCurrentFile)   \
    X(unzGetCurrentFileInfo64)

struct WorkbookLibrary {
#define ORB_POINTER(name) decltype(&::name) name = nullptr;
    ORB_WORKBOOK_CALLS(ORB_POINTER)
#undef ORB_POINTER
};

const WorkbookLibrary& library()
{
    static WorkbookLibrary calls;
    static std::string missing = [] {
        void* writer = dlopen(ORB_XLSXWRITER_SO, RTLD_NOW | RTLD_LOCAL);
        if (!writer)
            return std::string(ORB_XLSXWRITER_SO) + " (Debian: libxlsxwriter4)";
        void* unzip = dlopen(ORB_MINIZIP_SO, RTLD_NOW | RTLD_LOCAL);
        if (!unzip)
            return std::string(ORB_MINIZIP_SO) + " (Debian: libminizip1)";
        std::string lacking;
#define ORB_LOOKUP(name)                                                                              \
    calls.name = reinterpret_cast<decltype(calls.name)>(dlsym(writer, #name));                        \
    if (!calls.name)                                                                                  \
        calls.name = reinterpret_cast<decltype(calls.name)>(dlsym(unzip, #name));                     \
    if (!calls.name)                                                                                  \
        lacking = #name;
        ORB_WORKBOOK_CALLS(ORB_LOOKUP)
#undef ORB_LOOKUP
        return lacking.empty() ? std::string() : "the call " + lacking + " of " + ORB_XLSXWRITER_SO;
    }();
    if (!missing.empty())
        Fail("workbooks need " + missing + ", which cannot be loaded");
    return calls;
}
}  // namespace

// The calls below go through the library loaded on first use.
#define workbook_new(...) library().workbook_new(__VA_ARGS__)
#define workbook_close(...) library().workbook_close(__VA_ARGS__)
#define workbook_add_worksheet(...) library().workbook_add_worksheet(__VA_ARGS__)
#define workbook_add_format(...) library().workbook_add_format(__VA_ARGS__)
#define worksheet_write_string(...) library().worksheet_write_string(__VA_ARGS__)
#define worksheet_write_number(...) library().worksheet_write_number(__VA_ARGS__)
#define worksheet_set_column(...) library().worksheet_set_column(__VA_ARGS__)
#define worksheet_freeze_panes(...) library().worksheet_freeze_panes(__VA_ARGS__)
#define worksheet_data_validation_range(...) library().worksheet_data_validation_range(__VA_ARGS__)
#define format_set_num_format(...) library().format_set_num_format(__VA_ARGS__)
#define format_set_italic(...) library().format_set_italic(__VA_ARGS__)
#define format_set_font_color(...) library().format_set_font_color(__VA_ARGS__)
#define format_set_bold(...) library().format_set_bold(__VA_ARGS__)
#define lxw_strerror(...) library().lxw_strerror(__VA_ARGS__)
#define unzOpen64(...) library().unzOpen64(__VA_ARGS__)
#define unzClose(...) library().unzClose(__VA_ARGS__)
#define unzLocateFile(...) library().unzLocateFile(__VA_ARGS__)
#define unzOpenCurrentFile(...) library().unzOpenCurrentFile(__VA_ARGS__)
#define unzReadCurrentFile(...) library().unzReadCurrentFile(__VA_ARGS__)
#define unzCloseCurrentFile(...) library().unzCloseCurrentFile(__VA_ARGS__)
#define unzGetCurrentFileInfo64(...) library().unzGetCurrentFileInfo64(__VA_ARGS__)

namespace {
// The letters of a column from 1: A, Z, AA.
std::string columnLetters(int column)
{
    std::string s;
    for (; column > 0; column = (column - 1) / 26)
        s.insert(s.begin(), static_cast<char>('A' + (column - 1) % 26));
    return s;
}

// "C12" as a column and a row from 1; false when it is no cell reference.
bool cellReference(const char* ref, int& column, int& row)
{
    column = row = 0;
    for (; *ref >= 'A' && *ref <= 'Z'; ++ref)
        column = column * 26 + (*ref - 'A' + 1);
    for (; *ref >= '0' && *ref <= '9'; ++ref)
        row = row * 10 + (*ref - '0');
    return *ref == '\0' && column > 0 && row > 0 && column <= 16384 && row <= 1048576;
}

// The archive, opened from a file: minizip reads files, so bytes from standard input are
// written to a private temporary file first.
class Archive {
public:
    Archive(const std::string& source, const std::string& bytes)
    {
        std::string path = source;
        if (source == "-") {
#ifdef _WIN32
            Fail("a workbook is read from a file, not from standard input");
#else
            const fs::path dir = fs::temp_directory_path();
            std::string pattern = (dir / "orbtool-book-XXXXXX").string();
            const int fd = ::mkstemp(pattern.data());
            if (fd < 0)
                Fail(std::string("cannot keep the workbook from standard input: ") + std::strerror(errno));
            temp_ = pattern;
            const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
            ::close(fd);
            if (!written)
                Fail("cannot keep the workbook from standard input");
            path = temp_;
#endif
        }
        zip_ = unzOpen64(fs::u8path(path).string().c_str());
        if (!zip_)
            Fail("'" + source + "' is not a workbook: not a zip archive it can read");
    }
    ~Archive()
    {
        if (zip_)
            unzClose(zip_);
        if (!temp_.empty())
            std::remove(temp_.c_str());
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // One member, read whole; nullopt when it is not there.
    std::optional<std::string> member(const std::string& name)
    {
        if (unzLocateFile(zip_, name.c_str(), 1) != UNZ_OK)
            return std::nullopt;
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return std::nullopt;
        if (info.uncompressed_size > (256u << 20))
            Fail("'" + name + "' in the workbook is larger than 256 MB");
        if (unzOpenCurrentFile(zip_) != UNZ_OK)
            return std::nullopt;
        std::string bytes(static_cast<std::size_t>(info.uncompressed_size), '\0');
        const int got = bytes.empty() ? 0 : unzReadCurrentFile(zip_, bytes.data(), static_cast<unsigned>(bytes.size()));
        const bool whole = unzCloseCurrentFile(zip_) == UNZ_OK && got == static_cast<int>(bytes.size());
        if (!whole)
            Fail("'" + name + "' in the workbook cannot be read whole (a damaged archive?)");
        return bytes;
    }

private:
    unzFile zip_ = nullptr;
    std::string temp_;
};

// The text of a string item: its runs' text in order, phonetic guides left out.
std::string itemText(const pugi::xml_node& si)
{
    if (pugi::xml_node t = si.child("t"))
        return t.child_value();
    std::string text;
    for (pugi::xml_node r : si.children("r"))
        text += r.child("t").child_value();
    return text;
}

pugi::xml_document parsed(const std::string& source, const std::string& name, const std::string& bytes)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size()))
        Fail("'" + source + "' is not a workbook: " + name + " is not XML");
    return doc;
}
}  // namespace

bool WorkbooksBuiltIn() { return true; }

std::vector<ImportSheet> WorkbookSheets(const std::string& source, const std::string& bytes, std::optional<TableId> table)
{
    Archive archive(source, bytes);
    const auto book = archive.member("xl/workbook.xml"), links = archive.member("xl/_rels/workbook.xml.rels");
    if (!book || !links)
        Fail("'" + source + "' is a zip archive but not a workbook (no xl/workbook.xml)");
    std::vector<std::string> shared;
    if (const auto strings = archive.member("xl/sharedStrings.xml")) {
        const pugi::xml_document doc = parsed(source, "the shared strings", *strings);
        for (pugi::xml_node si : doc.child("sst").children("si"))
            shared.push_back(itemText(si));
    }
    std::map<std::string, std::string> targets;  // relationship id -> member name
    const pugi::xml_document rels = parsed(source, "the workbook's links", *links);
    for (pugi::xml_node r : rels.child("Relationships").children("Relationship")) {
        std::string target = r.attribute("Target").value();
        target = target.rfind('/', 0) == 0 ? target.substr(1) : "xl/" + target;
        targets[r.attribute("Id").value()] = target;
    }
    std::vector<ImportSheet> sheets;
    const pugi::xml_document doc = parsed(source, "the workbook", *book);
    // Each sheet named for a table; with a table asked for, a workbook of one sheet under any name
    // (a CSV converted by a spreadsheet names its sheet after the file) is that table's.
    std::vector<std::pair<std::string, std::string>> all;  // name, member
    for (pugi::xml_node s : doc.child("workbook").child("sheets").children("sheet"))
        all.emplace_back(s.attribute("name").value(), targets[s.attribute("r:id").value()]);
    std::vector<std::tuple<std::string, std::string, TableId>> chosen;
    for (const auto& [name, at] : all) {
        const std::optional<TableId> t = ParseTable(name);
        if (t && (!table || *table == *t))
            chosen.emplace_back(name, at, *t);
        else if (!t && all.size() > 1)
            CliNotes() += "orbtool-cli: '" + source + "': sheet '" + name + "' names no table and is passed over\n";
    }
    if (chosen.empty() && table && all.size() == 1)
        chosen.emplace_back(all[0].first, all[0].second, *table);
    for (const auto& [name, at, t] : chosen) {
        const auto xml = archive.member(at);
        if (!xml)
            Fail("'" + source + "': sheet '" + name + "' is missing from the workbook");
        const pugi::xml_document sheetDoc = parsed(source, "sheet '" + name + "'", *xml);
        ImportSheet sheet{t, {}, [name = name](const ImportRow& row, int column) {
                              return name + "!" + (column ? columnLetters(column) : std::string()) + std::to_string(row.line);
                          }};
        int rowNumber = 0;
        std::size_t width = 0;
        for (pugi::xml_node r : sheetDoc.child("worksheet").child("sheetData").children("row")) {
            rowNumber = r.attribute("r") ? r.attribute("r").as_int() : rowNumber + 1;
            ImportRow row{rowNumber, {}, {}};
            int column = 0;
            for (pugi::xml_node c : r.children("c")) {
                int at = column + 1, rowOf = rowNumber;
                if (c.attribute("r") && !cellReference(c.attribute("r").value(), at, rowOf))
                    Fail("'" + source + "': sheet '" + name + "' has a cell at '" + c.attribute("r").value() + "'");
                if (at <= column)
                    Fail("'" + source + "': sheet '" + name + "' has its cells out of order in row " + std::to_string(rowNumber));
                column = at;
                row.cells.resize(static_cast<std::size_t>(at));
                row.kinds.resize(static_cast<std::size_t>(at), CellKind::Unknown);
                const std::string type = c.attribute("t").value();
                std::string text = c.child("v").child_value();
                CellKind kind = CellKind::Number;
                if (type == "s") {
                    const std::size_t k = static_cast<std::size_t>(c.child("v").text().as_ullong(~0ull));
                    if (k >= shared.size())
                        Fail("'" + source + "': " + name + "!" + columnLetters(at) + std::to_string(rowNumber) +
                             " names a string the workbook does not hold");
                    text = shared[k], kind = CellKind::Text;
                } else if (type == "inlineStr") {
                    text = itemText(c.child("is")), kind = CellKind::Text;
                } else if (type == "str") {
                    kind = CellKind::Text;
                } else if (type == "b" || type == "e" || type == "d") {
                    kind = CellKind::Other;
                } else if (text.empty()) {
                    kind = CellKind::Unknown;  // a styled cell with no value
                }
                if (c.child("f"))
                    kind = CellKind::Formula;
                row.cells.back() = text;
                row.kinds.back() = kind;
            }
            if (sheet.rows.empty())
                width = row.cells.size();  // the header's
            if (row.cells.size() < width) {
                row.cells.resize(width);
                row.kinds.resize(width, CellKind::Unknown);
            }
            sheet.rows.push_back(std::move(row));
        }
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty())
        Fail("'" + source + "' holds no sheet called " + (table ? TableName(*table) : "units, weapons or formations"));
    return sheets;
}

namespace {
struct Formats {
    lxw_format *header, *text, *name;
};

template <class R>
void writeSheet(lxw_workbook* book, const Formats& formats, const char* title, const OrbData& orb)
{
    lxw_worksheet* ws = workbook_add_worksheet(book, title);
    lxw_col_t col = 0;
    auto heading = [&](const std::string& text) { worksheet_write_string(ws, 0, col++, text.c_str(), formats.header); };
    heading("number");
    std::vector<lxw_col_t> nameColumns;
    for (const auto& f : FieldsOf<R>()) {
        if (f.width == FieldWidth::Text)
            worksheet_set_column(ws, col, col, 18, formats.text);  // typed names stay text
        heading(f.name);
        if (HasCodeName(f)) {
            worksheet_set_column(ws, col, col, 18, formats.name);
            nameColumns.push_back(col);
            heading(CodeNameColumn(f));
        }
    }
    for (int n = 1; n <= CountOf<R>; ++n) {
        const R r = orb.get<R>(n);
        const auto row = static_cast<lxw_row_t>(n);
        col = 0;
        worksheet_write_number(ws, row, col++, n, nullptr);
        for (const auto& f : FieldsOf<R>()) {
            if (f.width == FieldWidth::Text)
                worksheet_write_string(ws, row, col++, Latin1ToUtf8(std::string(r.*f.text)).c_str(), formats.text);
            else
                worksheet_write_number(ws, row, col++, f.number(r), nullptr);
            if (HasCodeName(f))
                worksheet_write_string(ws, row, col++, Latin1ToUtf8(CodeName(f, f.number(r), orb)).c_str(), formats.name);
        }
    }
    worksheet_freeze_panes(ws, 1, 0);
    // Typing into a column of names is refused: the code beside it is what import reads.
    for (lxw_col_t c : nameColumns) {
        lxw_data_validation v{};
        v.validate = LXW_VALIDATION_TYPE_CUSTOM_FORMULA;
        v.value_formula = const_cast<char*>("=FALSE()");
        v.error_type = LXW_VALIDATION_ERROR_TYPE_STOP;
        v.error_title = const_cast<char*>("A name, for reading");
        v.error_message = const_cast<char*>("This column shows the name of the code to its left; change the code.");
        v.ignore_blank = LXW_VALIDATION_OFF;
        worksheet_data_validation_range(ws, 1, c, static_cast<lxw_row_t>(CountOf<R>), c, &v);
    }
}
}  // namespace

namespace {
// A private folder for the library's own file, removed with everything in it when done.
class ScratchFolder {
public:
    ScratchFolder()
    {
#ifdef _WIN32
        std::error_code ec;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            fs::path p = fs::temp_directory_path(ec) / ("orbtool-book-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                                        std::to_string(attempt));
            if (fs::create_directory(p, ec))
                path_ = p;
        }
#else
        std::error_code ec;
        std::string pattern = (fs::temp_directory_path(ec) / "orbtool-book-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
#endif
        if (path_.empty())
            Fail(std::string("cannot make a private folder for the workbook: ") + std::strerror(errno));
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The library says its failures on standard error in its own words; the tool says them once,
// in its own, so the library's are held back while it writes.
class QuietStderr {
public:
    QuietStderr()
    {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int null = ::open(kNull, O_WRONLY);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, 2);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStderr()
    {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
#ifdef _WIN32
    static constexpr const char* kNull = "NUL";
#else
    static constexpr const char* kNull = "/dev/null";
#endif
    int saved_ = -1;
};
}  // namespace

void WriteWorkbook(const std::string& path, const OrbData& orb, std::optional<TableId> table)
{
    // The library writes only to a file it names itself: it writes into a private folder, and
    // the bytes go to the user's file the one way every file is written, so that nothing is
    // written through a link, over a device or half-way.
    const ScratchFolder scratch;
    const fs::path made = scratch.path() / "book.xlsx";
    lxw_error closed = LXW_NO_ERROR;
    {
        const QuietStderr quiet;
        lxw_workbook* book = workbook_new(made.string().c_str());
        if (!book)
            closed = LXW_ERROR_CREATING_XLSX_FILE;
        else {
            Formats formats{workbook_add_format(book), workbook_add_format(book), workbook_add_format(book)};
            format_set_bold(formats.header);
            format_set_num_format(formats.text, "@");
            format_set_num_format(formats.name, "@");
            format_set_font_color(formats.name, 0x606060);
            format_set_italic(formats.name);
            if (!table || *table == TableId::Units)
                writeSheet<UnitRecord>(book, formats, "units", orb);
            if (!table || *table == TableId::Weapons)
                writeSheet<WeaponRecord>(book, formats, "weapons", orb);
            if (!table || *table == TableId::Formations)
                writeSheet<FormationRecord>(book, formats, "formations", orb);
            closed = workbook_close(book);
        }
    }
    if (closed != LXW_NO_ERROR)
        Fail("cannot write '" + path + "': " + lxw_strerror(closed));
    std::ifstream in(made, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        Fail("cannot write '" + path + "': the workbook made could not be read back");
    WriteOutputFile(path, bytes);
}

#else

bool WorkbooksBuiltIn() { return false; }

std::vector<ImportSheet> WorkbookSheets(const std::string& source, const std::string&, std::optional<TableId>)
{
    Fail("'" + source + "' is a workbook, and this build of orbtool-cli reads none: import a CSV or dump's JSON");
}

void WriteWorkbook(const std::string&, const OrbData&, std::optional<TableId>)
{
    Fail("this build of orbtool-cli writes no workbooks: dump as csv or json");
}

#endif

bool IsWorkbook(const std::string& bytes)
{
    return bytes.compare(0, 4, "PK\x03\x04", 4) == 0;
}
