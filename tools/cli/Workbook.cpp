#include "tools/cli/Workbook.h"

#include "tools/cli/Commands.h"

#ifdef ORB_WORKBOOKS
#include "core/CodeNames.h"
#include "core/Latin1.h"

#include "tools/cli/WorkbookLibrary.h"
#include "tools/cli/WorkbookText.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

const WorkbookLibrary& WorkbookCalls()
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

bool WorkbooksBuiltIn() { return true; }

namespace {
// A name (Latin-1 bytes) as the text of its cell.
std::string cellText(const std::string& name) { return EscapeLookAlikes(Latin1ToUtf8(name)); }

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
                worksheet_write_string(ws, row, col++, cellText(std::string(r.*f.text)).c_str(), formats.text);
            else
                worksheet_write_number(ws, row, col++, f.number(r), nullptr);
            if (HasCodeName(f))
                worksheet_write_string(ws, row, col++, cellText(CodeName(f, f.number(r), orb)).c_str(), formats.name);
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

void WriteWorkbook(const std::string& path, const OrbData& orb, std::optional<TableId> table)
{
    // Written beside the target and renamed over it, so that a failed write leaves what was
    // there; the new file's name is taken exclusively first, so that nothing planted under it is
    // written through.
    const fs::path target = fs::u8path(path);
    fs::path temp;
    for (int attempt = 0;; ++attempt) {
        temp = target;
        temp += ".orbtool-tmp" + std::to_string(attempt);
#ifdef _WIN32
        std::FILE* taken = OpenOutput(temp, "wbx");
#else
        std::FILE* taken = std::fopen(temp.c_str(), "wbxe");
#endif
        if (taken) {
            std::fclose(taken);
            break;
        }
        if (errno != EEXIST || attempt == 99)
            Fail("cannot write '" + path + "': " + std::strerror(errno));
    }
    lxw_workbook* book = workbook_new(temp.string().c_str());
    if (!book) {
        std::error_code ec;
        fs::remove(temp, ec);
        Fail("cannot write '" + path + "'");
    }
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
    const lxw_error closed = workbook_close(book);
    std::error_code ec;
    if (closed != LXW_NO_ERROR) {
        fs::remove(temp, ec);
        Fail("cannot write '" + path + "': " + lxw_strerror(closed));
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        Fail("cannot write '" + path + "': " + ec.message());
    }
}

#else

bool WorkbooksBuiltIn() { return false; }

void WriteWorkbook(const std::string&, const OrbData&, std::optional<TableId>)
{
    Fail("this build of orbtool-cli writes no workbooks: dump as csv or json");
}

#endif

bool IsWorkbook(const std::string& bytes)
{
    return bytes.compare(0, 4, "PK\x03\x04", 4) == 0;
}
