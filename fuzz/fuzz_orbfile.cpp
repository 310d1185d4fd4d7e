// Loading then saving a real file of any bytes and length, as the editor does: the saved file
// keeps the length, and the only bytes that may change are those after a zero byte inside a name
// field. (fuzz_image checks the same in memory, many times faster.)
#include "FuzzCommon.h"

#include "data/ORBIO.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
fs::path scratch()
{
    static const fs::path dir = [] {
        fs::path p = fs::temp_directory_path() / ("orbfuzz-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return dir / "ORB05";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const fs::path file = scratch();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    OrbImage loaded;
    Require(ReadOrbImage(file, loaded).ok, "a file of any bytes loads");
    OrbData orb;
    UnpackImage(loaded.bytes.data(), orb);
    PackImage(orb, loaded.bytes.data());
    Require(WriteOrbImage(file, loaded).ok, "a loaded file saves");
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Require(saved.size() == size, "a save keeps the file's length");
    for (std::size_t i = 0; i < size; ++i)
        if (saved[i] != data[i])
            Require(AfterZeroInName(data, size, i), "only bytes after a name's end change on a save");
    return 0;
}
