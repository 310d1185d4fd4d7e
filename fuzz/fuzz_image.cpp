// Unpacking and packing an image of any bytes, in memory: the packed image differs from the input
// only after a zero byte inside a name field (a name ends there), and packing again changes nothing.
#include "FuzzCommon.h"

#include "data/ORBIO.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // Kept from run to run: the image is large and a run is short.
    static std::vector<uint8_t> image(OrbImageSize), packed(OrbImageSize), twice(OrbImageSize);
    static OrbData orb, again;
    std::fill(image.begin(), image.end(), 0);  // a short input reads as if zero-filled
    std::memcpy(image.data(), data, std::min(size, OrbImageSize));
    UnpackImage(image.data(), orb);
    PackImage(orb, packed.data());
    if (packed != image)
        for (std::size_t i = 0; i < OrbImageSize; ++i)
            if (packed[i] != image[i])
                Require(AfterZeroInName(image.data(), OrbImageSize, i), "only bytes after a name's end change on a save");
    UnpackImage(packed.data(), again);
    PackImage(again, twice.data());
    Require(twice == packed, "a second save changes nothing");
    return 0;
}
