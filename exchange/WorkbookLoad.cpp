// Finding the workbook libraries' calls: the module's table, looked up once, or the table linked in.
#include "exchange/WorkbookCalls.h"

#ifdef ORB_WORKBOOK_MODULE
#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace {
// The module lies where the install puts it, as seen from the program's own folder (bin/ and
// lib/orbtool/ side by side; the build tree keeps the same layout).
std::string modulePath()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ((ec ? std::filesystem::path(".") : self.parent_path()) / ORB_WORKBOOK_MODULE).lexically_normal().string();
}
}  // namespace

const WorkbookCalls* LoadWorkbookCalls(std::string& missing)
{
    static std::string why;
    static const WorkbookCalls* calls = [] () -> const WorkbookCalls* {
        const std::string path = modulePath();
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        const char* error = module ? nullptr : dlerror();
        const auto* table = module ? static_cast<const WorkbookCalls*>(dlsym(module, ORB_WORKBOOK_CALLS_SYMBOL)) : nullptr;
        if (table && table->size == sizeof(WorkbookCalls))
            return table;
        why = "workbooks need " + path + " and the libraries it loads (Debian: libxlsxwriter4, libminizip1), which " +
              (error ? std::string("cannot be loaded: ") + error : std::string("is of another build of Orbtool"));
        return nullptr;
    }();
    if (!calls)
        missing = why;
    return calls;
}

#else

extern "C" const WorkbookCalls orb_workbook_calls;

const WorkbookCalls* LoadWorkbookCalls(std::string&)
{
    return &orb_workbook_calls;
}

#endif
