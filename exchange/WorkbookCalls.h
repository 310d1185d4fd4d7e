// The calls the workbook code makes into its libraries (libxlsxwriter, minizip), as one table.
// Linked into the program, the libraries and what they load (zlib, libcrypto) made every start
// slower, a dump 3.3 ms against 1.3 ms, for the few runs that touch a workbook. So on Linux the
// table is the one symbol of a small module of ours linked against them (WorkbookModule.cpp),
// loaded and looked up once, when a workbook is first read or written. Where there is no such
// loading (the Windows build), the same table is linked in with the libraries.
#pragma once

#include <minizip/unzip.h>
#include <xlsxwriter.h>

#include <cstddef>
#include <string>

struct WorkbookCalls {
    std::size_t size;  // sizeof(WorkbookCalls) where the module was built: a module of another build is refused
    decltype(&::workbook_new) workbook_new;
    decltype(&::workbook_close) workbook_close;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet;
    decltype(&::workbook_add_format) workbook_add_format;
    decltype(&::worksheet_write_string) worksheet_write_string;
    decltype(&::worksheet_write_number) worksheet_write_number;
    decltype(&::worksheet_set_column) worksheet_set_column;
    decltype(&::worksheet_freeze_panes) worksheet_freeze_panes;
    decltype(&::worksheet_data_validation_range) worksheet_data_validation_range;
    decltype(&::format_set_num_format) format_set_num_format;
    decltype(&::format_set_italic) format_set_italic;
    decltype(&::format_set_font_color) format_set_font_color;
    decltype(&::format_set_bold) format_set_bold;
    decltype(&::lxw_strerror) lxw_strerror;
    decltype(&::unzOpen2_64) unzOpen2_64;
    decltype(&::unzClose) unzClose;
    decltype(&::unzLocateFile) unzLocateFile;
    decltype(&::unzOpenCurrentFile) unzOpenCurrentFile;
    decltype(&::unzReadCurrentFile) unzReadCurrentFile;
    decltype(&::unzCloseCurrentFile) unzCloseCurrentFile;
    decltype(&::unzGetCurrentFileInfo64) unzGetCurrentFileInfo64;
};

// The table's name in the module.
#define ORB_WORKBOOK_CALLS_SYMBOL "orb_workbook_calls"

// The calls, the module loaded on the first; nullptr when it cannot be, with why in missing
// ("workbooks need ..., which cannot be loaded: ...").
const WorkbookCalls* LoadWorkbookCalls(std::string& missing);
