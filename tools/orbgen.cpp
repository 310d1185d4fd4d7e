// Writes the synthetic sample data files into a directory: orbgen DIR
#include "tools/SampleData.h"

#include "data/FileWrite.h"

#include <filesystem>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    static const char usage[] = "usage: orbgen DIR\nWrites the synthetic sample data files into DIR, made if missing.\n";
    const std::string word = argc == 2 ? argv[1] : "";
    if (word == "--help" || word == "-h") {
        std::cout << usage;
        return 0;
    }
    // Any other word that starts with a dash is a mistyped option, not a folder to fill.
    if (argc != 2 || (word.size() > 1 && word[0] == '-')) {
        std::cerr << usage;
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::u8path(word);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (int n : SampleFileNumbers()) {
        const auto image = MakeSampleImage(n);
        const IoResult written = WriteFileSafely(dir / OrbFileName(n), std::string(image.begin(), image.end()));
        if (!written.ok) {
            std::cerr << "orbgen: cannot write " << written.error << "\n";
            return 2;
        }
    }
    std::cout << "wrote " << SampleFileNumbers().size() << " sample files to " << dir.string() << "\n";
    return 0;
}
