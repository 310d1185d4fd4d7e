// The calls of the workbook libraries (libxlsxwriter, minizip), loaded the first time a workbook
// is written or read: linked in, they and what they load (zlib, libcrypto) made every start of
// the tool slower, a dump 3.3 ms against 1.3 ms, for the few runs that touch a workbook.
#pragma once

#ifdef ORB_WORKBOOKS
#include <xlsxwriter.h>
#include <minizip/unzip.h>

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

// The calls, the libraries loaded on the first; fails with the library or call that is missing.
const WorkbookLibrary& WorkbookCalls();

// The calls below go through the library loaded on first use.
#define workbook_new(...) WorkbookCalls().workbook_new(__VA_ARGS__)
#define workbook_close(...) WorkbookCalls().workbook_close(__VA_ARGS__)
#define workbook_add_worksheet(...) WorkbookCalls().workbook_add_worksheet(__VA_ARGS__)
#define workbook_add_format(...) WorkbookCalls().workbook_add_format(__VA_ARGS__)
#define worksheet_write_string(...) WorkbookCalls().worksheet_write_string(__VA_ARGS__)
#define worksheet_write_number(...) WorkbookCalls().worksheet_write_number(__VA_ARGS__)
#define worksheet_set_column(...) WorkbookCalls().worksheet_set_column(__VA_ARGS__)
#define worksheet_freeze_panes(...) WorkbookCalls().worksheet_freeze_panes(__VA_ARGS__)
#define worksheet_data_validation_range(...) WorkbookCalls().worksheet_data_validation_range(__VA_ARGS__)
#define format_set_num_format(...) WorkbookCalls().format_set_num_format(__VA_ARGS__)
#define format_set_italic(...) WorkbookCalls().format_set_italic(__VA_ARGS__)
#define format_set_font_color(...) WorkbookCalls().format_set_font_color(__VA_ARGS__)
#define format_set_bold(...) WorkbookCalls().format_set_bold(__VA_ARGS__)
#define lxw_strerror(...) WorkbookCalls().lxw_strerror(__VA_ARGS__)
#define unzOpen64(...) WorkbookCalls().unzOpen64(__VA_ARGS__)
#define unzClose(...) WorkbookCalls().unzClose(__VA_ARGS__)
#define unzLocateFile(...) WorkbookCalls().unzLocateFile(__VA_ARGS__)
#define unzOpenCurrentFile(...) WorkbookCalls().unzOpenCurrentFile(__VA_ARGS__)
#define unzReadCurrentFile(...) WorkbookCalls().unzReadCurrentFile(__VA_ARGS__)
#define unzCloseCurrentFile(...) WorkbookCalls().unzCloseCurrentFile(__VA_ARGS__)
#define unzGetCurrentFileInfo64(...) WorkbookCalls().unzGetCurrentFileInfo64(__VA_ARGS__)
#endif
