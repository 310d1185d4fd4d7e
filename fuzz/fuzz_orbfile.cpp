// Load then save of arbitrary bytes of any length: the saved file keeps the length, and the only
// bytes that may change are those after a zero byte inside a name field (a name ends there).
#include "data/Fields.h"
#include "data/ORBIO.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
// Whether byte i lies inside a name field, after a zero byte of that field (bytes past a short
// input's end count as zero, as the reader fills them).
bool afterZeroInName(const uint8_t* data, std::size_t size, std::size_t i)
{
    struct Names {
        std::size_t first, count;
    };
    static const Names names[] = {
        {static_cast<std::size_t>(FindField(WeaponFields(), "Name")->at(1)), WeaponCount},
        {static_cast<std::size_t>(FindField(UnitFields(), "Name")->at(1)), UnitCount},
        {static_cast<std::size_t>(FindField(FormationFields(), "Name")->at(1)), FormationCount},
    };
    for (const Names& n : names) {
        if (i < n.first || i >= n.first + n.count * NameLength)
            continue;
        std::size_t start = n.first + (i - n.first) / NameLength * NameLength;
        for (std::size_t k = start; k < i; ++k)
            if (k >= size || data[k] == 0)
                return true;
    }
    return false;
}

fs::path scratch()
{
    static fs::path p = fs::temp_directory_path() / ("orbfuzz-" + std::to_string(::getpid()));
    static bool made = fs::create_directories(p) || true;
    (void)made;
    return p / "ORB05";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // Pure unpack and pack first: the packed image differs from the input only where allowed.
    std::vector<uint8_t> image(OrbImageSize, 0);
    std::memcpy(image.data(), data, std::min(size, OrbImageSize));
    OrbData orb;
    UnpackImage(image.data(), orb);
    std::vector<uint8_t> packed = image;
    PackImage(orb, packed.data());
    for (std::size_t i = 0; i < OrbImageSize; ++i)
        if (packed[i] != image[i] && !afterZeroInName(image.data(), OrbImageSize, i))
            std::abort();

    // Then through a real file, as the editor loads and saves it.
    const fs::path file = scratch();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    OrbImage loaded;
    if (!ReadOrbImage(file, loaded).ok)
        std::abort();
    UnpackImage(loaded.bytes.data(), orb);
    PackImage(orb, loaded.bytes.data());
    if (!WriteOrbImage(file, loaded).ok)
        std::abort();
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (saved.size() != size)
        std::abort();
    for (std::size_t i = 0; i < size; ++i)
        if (saved[i] != data[i] && !afterZeroInName(data, size, i))
            std::abort();
    return 0;
}
