// Writing a workbook: each table a sheet that a spreadsheet keeps exactly, made by libxlsxwriter.
#include "exchange/Exchange.h"

#ifdef ORB_WORKBOOKS
#include "core/CodeNames.h"
#include "core/Latin1.h"

#include "exchange/WorkbookCalls.h"
#include "exchange/WorkbookText.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

bool WorkbooksBuiltIn() { return true; }

namespace {
// A name (Latin-1 bytes) as the text of its cell.
std::string cellText(const std::string& name) { return EscapeLookAlikes(Latin1ToUtf8(name)); }

struct Formats {
    lxw_format *header, *text, *name;
};

template <class R>
void writeSheet(const WorkbookCalls& lib, lxw_workbook* book, const Formats& formats, const char* title, const OrbData& orb)
{
    lxw_worksheet* ws = lib.workbook_add_worksheet(book, title);
    lxw_col_t col = 0;
    auto heading = [&](const std::string& text) { lib.worksheet_write_string(ws, 0, col++, text.c_str(), formats.header); };
    heading("number");
    std::vector<lxw_col_t> nameColumns;
    for (const auto& f : FieldsOf<R>()) {
        if (f.width == FieldWidth::Text)
            lib.worksheet_set_column(ws, col, col, 18, formats.text);  // typed names stay text
        heading(f.name);
        if (HasCodeName(f)) {
            lib.worksheet_set_column(ws, col, col, 18, formats.name);
            nameColumns.push_back(col);
            heading(CodeNameColumn(f));
        }
    }
    for (int n = 1; n <= CountOf<R>; ++n) {
        const R r = orb.get<R>(n);
        const auto row = static_cast<lxw_row_t>(n);
        col = 0;
        lib.worksheet_write_number(ws, row, col++, n, nullptr);
        for (const auto& f : FieldsOf<R>()) {
            if (f.width == FieldWidth::Text)
                lib.worksheet_write_string(ws, row, col++, cellText(std::string(r.*f.text)).c_str(), formats.text);
            else
                lib.worksheet_write_number(ws, row, col++, f.number(r), nullptr);
            if (HasCodeName(f))
                lib.worksheet_write_string(ws, row, col++, cellText(CodeName(f, f.number(r), orb)).c_str(), formats.name);
        }
    }
    lib.worksheet_freeze_panes(ws, 1, 0);
    // Typing into a column of names is refused: the code beside it is what import reads.
    for (lxw_col_t c : nameColumns) {
        lxw_data_validation v{};
        v.validate = LXW_VALIDATION_TYPE_CUSTOM_FORMULA;
        v.value_formula = const_cast<char*>("=FALSE()");
        v.error_type = LXW_VALIDATION_ERROR_TYPE_STOP;
        v.error_title = const_cast<char*>("A name, for reading");
        v.error_message = const_cast<char*>("This column shows the name of the code to its left; change the code.");
        v.ignore_blank = LXW_VALIDATION_OFF;
        lib.worksheet_data_validation_range(ws, 1, c, static_cast<lxw_row_t>(CountOf<R>), c, &v);
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
            error_ = std::string("cannot make a private folder for the workbook: ") + std::strerror(errno);
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }
    // Why there is none, or "".
    const std::string& error() const { return error_; }

private:
    fs::path path_;
    std::string error_;
};

// The library says its failures on standard error in its own words; the program says them once,
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

MadeWorkbook MakeWorkbook(const OrbData& orb, std::optional<TableId> table)
{
    std::string missing;
    const WorkbookCalls* calls = LoadWorkbookCalls(missing);
    if (!calls)
        return {{}, missing, false};
    const WorkbookCalls& lib = *calls;
    // The library writes only to a file it names itself: it writes into a private folder, and the
    // caller puts the bytes in the user's file the one way every file is written, so that nothing
    // is written through a link, over a device or half-way.
    const ScratchFolder scratch;
    if (!scratch.error().empty())
        return {{}, scratch.error(), false};
    const fs::path made = scratch.path() / "book.xlsx";
    lxw_error closed = LXW_NO_ERROR;
    {
        const QuietStderr quiet;
        lxw_workbook* book = lib.workbook_new(made.string().c_str());
        if (!book)
            closed = LXW_ERROR_CREATING_XLSX_FILE;
        else {
            Formats formats{lib.workbook_add_format(book), lib.workbook_add_format(book), lib.workbook_add_format(book)};
            lib.format_set_bold(formats.header);
            lib.format_set_num_format(formats.text, "@");
            lib.format_set_num_format(formats.name, "@");
            lib.format_set_font_color(formats.name, 0x606060);
            lib.format_set_italic(formats.name);
            if (!table || *table == TableId::Units)
                writeSheet<UnitRecord>(lib, book, formats, "units", orb);
            if (!table || *table == TableId::Weapons)
                writeSheet<WeaponRecord>(lib, book, formats, "weapons", orb);
            if (!table || *table == TableId::Formations)
                writeSheet<FormationRecord>(lib, book, formats, "formations", orb);
            closed = lib.workbook_close(book);
        }
    }
    if (closed != LXW_NO_ERROR)
        return {{}, lib.lxw_strerror(closed), true};
    std::ifstream in(made, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return {{}, "the workbook made could not be read back", true};
    return {std::move(bytes), {}, false};
}

#else

bool WorkbooksBuiltIn() { return false; }

MadeWorkbook MakeWorkbook(const OrbData&, std::optional<TableId>)
{
    return {{}, "this build writes no workbooks: write CSV or JSON", false};
}

#endif
