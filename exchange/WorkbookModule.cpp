// The workbook libraries' calls as one table (WorkbookCalls.h): on Linux the only symbol the
// module orbtool-workbooks exports, linked into the program elsewhere.
#include "exchange/WorkbookCalls.h"

namespace {
WorkbookCalls calls()
{
    WorkbookCalls c{};
    c.size = sizeof(WorkbookCalls);
    c.workbook_new = workbook_new;
    c.workbook_close = workbook_close;
    c.workbook_add_worksheet = workbook_add_worksheet;
    c.workbook_add_format = workbook_add_format;
    c.worksheet_write_string = worksheet_write_string;
    c.worksheet_write_number = worksheet_write_number;
    c.worksheet_set_column = worksheet_set_column;
    c.worksheet_freeze_panes = worksheet_freeze_panes;
    c.worksheet_data_validation_range = worksheet_data_validation_range;
    c.format_set_num_format = format_set_num_format;
    c.format_set_italic = format_set_italic;
    c.format_set_font_color = format_set_font_color;
    c.format_set_bold = format_set_bold;
    c.lxw_strerror = lxw_strerror;
    c.unzOpen2_64 = unzOpen2_64;
    c.unzClose = unzClose;
    c.unzLocateFile = unzLocateFile;
    c.unzOpenCurrentFile = unzOpenCurrentFile;
    c.unzReadCurrentFile = unzReadCurrentFile;
    c.unzCloseCurrentFile = unzCloseCurrentFile;
    c.unzGetCurrentFileInfo64 = unzGetCurrentFileInfo64;
    return c;
}
}  // namespace

// The module's one external name: everything else in it is file-local.
extern "C" const WorkbookCalls orb_workbook_calls = calls();
