// Writes the synthetic sample data files into a directory: orbgen DIR
#include "tools/SampleData.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: orbgen DIR\n";
        return 2;
    }
    std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (int n : SampleFileNumbers()) {
        auto image = MakeSampleImage(n);
        std::ofstream out(dir / OrbFileName(n), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        out.close();
        if (!out) {
            std::cerr << "orbgen: cannot write " << (dir / OrbFileName(n)).string() << "\n";
            return 2;
        }
    }
    std::cout << "wrote " << SampleFileNumbers().size() << " sample files to " << dir.string() << "\n";
    return 0;
}
