// Reading a workbook back: the cells of its sheets named for tables, each with what it is (text,
// a number, a date, a formula...), for import to check.
#include "exchange/ExchangeInternal.h"

#ifdef ORB_WORKBOOKS
#include "exchange/WorkbookCalls.h"
#include "exchange/WorkbookText.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

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

// The archive, read from its bytes in memory (minizip's own calls read files): the bytes the
// caller read are the ones imported, from a file or standard input alike.
class Archive {
public:
    Archive(const WorkbookCalls& lib, const std::string& source, const std::string& bytes) : lib_(lib), bytes_(bytes)
    {
        zlib_filefunc64_def calls{};
        calls.zopen64_file = [](voidpf opaque, const void*, int) -> voidpf { return opaque; };
        calls.zread_file = [](voidpf, voidpf stream, void* buf, uLong size) -> uLong {
            return static_cast<Archive*>(stream)->read(buf, size);
        };
        calls.zwrite_file = [](voidpf, voidpf, const void*, uLong) -> uLong { return 0; };
        calls.ztell64_file = [](voidpf, voidpf stream) -> ZPOS64_T { return static_cast<Archive*>(stream)->at_; };
        calls.zseek64_file = [](voidpf, voidpf stream, ZPOS64_T offset, int origin) -> long {
            return static_cast<Archive*>(stream)->seek(offset, origin);
        };
        calls.zclose_file = [](voidpf, voidpf) { return 0; };
        calls.zerror_file = [](voidpf, voidpf) { return 0; };
        calls.opaque = this;
        zip_ = lib_.unzOpen2_64("workbook", &calls);
        if (!zip_)
            Refuse("'" + source + "' is not a workbook: not a zip archive it can read");
    }
    ~Archive()
    {
        if (zip_)
            lib_.unzClose(zip_);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // One member, read whole; nullopt when it is not there.
    std::optional<std::string> member(const std::string& name)
    {
        if (lib_.unzLocateFile(zip_, name.c_str(), 1) != UNZ_OK)
            return std::nullopt;
        unz_file_info64 info{};
        if (lib_.unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return std::nullopt;
        if (info.uncompressed_size > (256u << 20))
            Refuse("'" + name + "' in the workbook is larger than 256 MB");
        if (lib_.unzOpenCurrentFile(zip_) != UNZ_OK)
            return std::nullopt;
        std::string bytes(static_cast<std::size_t>(info.uncompressed_size), '\0');
        const int got = bytes.empty() ? 0 : lib_.unzReadCurrentFile(zip_, bytes.data(), static_cast<unsigned>(bytes.size()));
        const bool whole = lib_.unzCloseCurrentFile(zip_) == UNZ_OK && got == static_cast<int>(bytes.size());
        if (!whole)
            Refuse("'" + name + "' in the workbook cannot be read whole (a damaged archive?)");
        return bytes;
    }

private:
    uLong read(void* to, uLong size)
    {
        const auto n = static_cast<uLong>(std::min<ZPOS64_T>(size, bytes_.size() - std::min<ZPOS64_T>(at_, bytes_.size())));
        std::memcpy(to, bytes_.data() + at_, n);
        at_ += n;
        return n;
    }
    long seek(ZPOS64_T offset, int origin)
    {
        const ZPOS64_T from = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? at_ : bytes_.size();
        if (offset > bytes_.size() - from)
            return -1;
        at_ = from + offset;
        return 0;
    }

    const WorkbookCalls& lib_;
    const std::string& bytes_;
    ZPOS64_T at_ = 0;  // where the next read begins
    unzFile zip_ = nullptr;
};

// pugixml drops text of nothing but spaces unless asked to keep it, and a name of spaces is a name.
constexpr unsigned kParsing = pugi::parse_default | pugi::parse_ws_pcdata_single;

pugi::xml_document parsed(const std::string& source, const std::string& name, const std::string& bytes)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size(), kParsing))
        Refuse("'" + source + "' is not a workbook: " + name + " is not XML");
    return doc;
}

// The text of a string item: its runs' text in order, phonetic guides left out, escapes read.
std::string itemText(const pugi::xml_node& si)
{
    if (pugi::xml_node t = si.child("t"))
        return DecodeEscapes(t.child_value());
    std::string text;
    for (pugi::xml_node r : si.children("r"))
        text += r.child("t").child_value();
    return DecodeEscapes(text);
}

// Whether each cell style (by its index, a cell's s) shows a number as a date or a time.
std::vector<bool> dateStyles(Archive& archive, const std::string& source)
{
    std::vector<bool> dates;
    const auto styles = archive.member("xl/styles.xml");
    if (!styles)
        return dates;
    const pugi::xml_document doc = parsed(source, "the styles", *styles);
    const pugi::xml_node sheet = doc.child("styleSheet");
    std::map<int, std::string> codes;  // the workbook's own formats, by id
    for (pugi::xml_node f : sheet.child("numFmts").children("numFmt"))
        codes[f.attribute("numFmtId").as_int()] = f.attribute("formatCode").value();
    for (pugi::xml_node xf : sheet.child("cellXfs").children("xf")) {
        const int id = xf.attribute("numFmtId").as_int();
        const auto code = codes.find(id);
        dates.push_back(IsDateFormat(id, code == codes.end() ? std::string() : code->second));
    }
    return dates;
}

// The cells of one sheet as import reads them.
struct SheetReader {
    const std::string& source;
    const std::string& name;
    const std::vector<std::string>& shared;
    const std::vector<bool>& dates;

    [[noreturn]] void fail(const std::string& why) const { Refuse("'" + source + "': sheet '" + name + "' " + why); }

    // One cell's text and what it is.
    std::pair<std::string, CellKind> cell(const pugi::xml_node& c, int column, int row) const
    {
        const std::string type = c.attribute("t").value();
        std::string text = c.child("v").child_value();
        CellKind kind = CellKind::Number;
        if (type == "s") {
            const std::size_t k = static_cast<std::size_t>(c.child("v").text().as_ullong(~0ull));
            if (k >= shared.size())
                Refuse("'" + source + "': " + name + "!" + columnLetters(column) + std::to_string(row) +
                     " names a string the workbook does not hold");
            text = shared[k], kind = CellKind::Text;
        } else if (type == "inlineStr") {
            text = itemText(c.child("is")), kind = CellKind::Text;
        } else if (type == "str") {
            text = DecodeEscapes(text), kind = CellKind::Text;
        } else if (type == "b") {
            kind = CellKind::Boolean;
        } else if (type == "d") {
            kind = CellKind::Date;
        } else if (type == "e") {
            kind = CellKind::Other;
        } else if (text.empty()) {
            kind = CellKind::Unknown;  // a styled cell with no value
        } else if (const std::size_t style = c.attribute("s").as_uint(); style < dates.size() && dates[style]) {
            kind = CellKind::Date;  // a date is a number of days shown as a date
        }
        if (c.child("f"))
            kind = CellKind::Formula;
        return {text, kind};
    }

    ImportRow row(const pugi::xml_node& r, int rowNumber) const
    {
        ImportRow row{rowNumber, {}, {}};
        int column = 0;
        for (pugi::xml_node c : r.children("c")) {
            int at = column + 1, rowOf = rowNumber;
            if (c.attribute("r") && !cellReference(c.attribute("r").value(), at, rowOf))
                fail(std::string("has a cell at '") + c.attribute("r").value() + "'");
            if (at <= column)
                fail("has its cells out of order in row " + std::to_string(rowNumber));
            column = at;
            row.cells.resize(static_cast<std::size_t>(at));
            row.kinds.resize(static_cast<std::size_t>(at), CellKind::Unknown);
            std::tie(row.cells.back(), row.kinds.back()) = cell(c, at, rowNumber);
        }
        return row;
    }

    ImportSheet sheet(TableId t, const pugi::xml_document& doc) const
    {
        ImportSheet sheet{t, {}, [name = name](const ImportRow& row, int column) {
                              return name + "!" + (column ? columnLetters(column) : std::string()) + std::to_string(row.line);
                          }};
        int rowNumber = 0;
        std::size_t width = 0;
        for (pugi::xml_node r : doc.child("worksheet").child("sheetData").children("row")) {
            rowNumber = r.attribute("r") ? r.attribute("r").as_int() : rowNumber + 1;
            ImportRow row = this->row(r, rowNumber);
            if (sheet.rows.empty())
                width = row.cells.size();  // the header's
            if (row.cells.size() < width) {  // spreadsheets leave a row's empty cells at its end out
                row.cells.resize(width);
                row.kinds.resize(width, CellKind::Unknown);
            }
            sheet.rows.push_back(std::move(row));
        }
        return sheet;
    }
};

// An archive that is no workbook: what it is, and what to do.
[[noreturn]] void notAWorkbook(const std::string& source, Archive& archive)
{
    const auto mimetype = archive.member("mimetype");
    if (mimetype && mimetype->rfind("application/vnd.oasis.opendocument.spreadsheet", 0) == 0)
        Refuse("'" + source + "' is an OpenDocument spreadsheet (.ods), which import does not read: save it as .xlsx");
    Refuse("'" + source + "' is a zip archive but not a workbook (no xl/workbook.xml)");
}
}  // namespace

std::vector<ImportSheet> WorkbookSheets(const std::string& source, const std::string& bytes, std::optional<TableId> table,
                                        std::vector<std::string>& notes)
{
    std::string missing;
    const WorkbookCalls* calls = LoadWorkbookCalls(missing);
    if (!calls)
        Refuse(missing);
    Archive archive(*calls, source, bytes);
    const auto book = archive.member("xl/workbook.xml"), links = archive.member("xl/_rels/workbook.xml.rels");
    if (!book || !links)
        notAWorkbook(source, archive);
    std::vector<std::string> shared;
    if (const auto strings = archive.member("xl/sharedStrings.xml")) {
        const pugi::xml_document doc = parsed(source, "the shared strings", *strings);
        for (pugi::xml_node si : doc.child("sst").children("si"))
            shared.push_back(itemText(si));
    }
    const std::vector<bool> dates = dateStyles(archive, source);
    std::map<std::string, std::string> targets;  // relationship id -> member name
    const pugi::xml_document rels = parsed(source, "the workbook's links", *links);
    for (pugi::xml_node r : rels.child("Relationships").children("Relationship")) {
        std::string target = r.attribute("Target").value();
        target = target.rfind('/', 0) == 0 ? target.substr(1) : "xl/" + target;
        targets[r.attribute("Id").value()] = target;
    }
    const pugi::xml_document doc = parsed(source, "the workbook", *book);
    // Each sheet named for a table; with a table asked for, a workbook of one sheet under another
    // name (a CSV converted by a spreadsheet names its sheet after the file) is that table's.
    std::vector<std::pair<std::string, std::string>> all;  // name, member
    for (pugi::xml_node s : doc.child("workbook").child("sheets").children("sheet"))
        all.emplace_back(s.attribute("name").value(), targets[s.attribute("r:id").value()]);
    std::vector<std::tuple<std::string, std::string, TableId>> chosen;
    std::string names;
    std::vector<std::string> passedOver;
    for (const auto& [name, at] : all) {
        names += (names.empty() ? "'" : ", '") + name + "'";
        const std::optional<TableId> t = ParseTable(name);
        if (t && (!table || *table == *t))
            chosen.emplace_back(name, at, *t);
        else if (!t && all.size() > 1)
            passedOver.push_back("'" + source + "': sheet '" + name + "' names no table and is passed over");
    }
    if (chosen.empty() && table && all.size() == 1 && !ParseTable(all[0].first))
        chosen.emplace_back(all[0].first, all[0].second, *table);
    if (chosen.empty())
        Refuse("'" + source + "' holds no sheet called " + (table ? TableName(*table) : "units, weapons or formations") +
               (names.empty() ? std::string() : " (its sheets: " + names + ")"));
    notes.insert(notes.end(), passedOver.begin(), passedOver.end());
    std::vector<ImportSheet> sheets;
    for (const auto& [name, at, t] : chosen) {
        const auto xml = archive.member(at);
        if (!xml)
            Refuse("'" + source + "': sheet '" + name + "' is missing from the workbook");
        const SheetReader reader{source, name, shared, dates};
        sheets.push_back(reader.sheet(t, parsed(source, "sheet '" + name + "'", *xml)));
    }
    return sheets;
}

#else

std::vector<ImportSheet> WorkbookSheets(const std::string& source, const std::string&, std::optional<TableId>,
                                        std::vector<std::string>&)
{
    Refuse("'" + source + "' is a workbook, and this build reads none: import a CSV or the JSON of a dump");
}

#endif
