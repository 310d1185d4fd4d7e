#include "data/ORBIO.h"

#include "data/Fields.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

std::string OrbFileName(int n)
{
    return (n < 10 ? "ORB0" : "ORB") + std::to_string(n);
}

int OrbNumberOf(const std::string& name)
{
    if (name.size() != 5)
        return -1;
    if (std::toupper(static_cast<unsigned char>(name[0])) != 'O' ||
        std::toupper(static_cast<unsigned char>(name[1])) != 'R' ||
        std::toupper(static_cast<unsigned char>(name[2])) != 'B')
        return -1;
    if (!std::isdigit(static_cast<unsigned char>(name[3])) || !std::isdigit(static_cast<unsigned char>(name[4])))
        return -1;
    return (name[3] - '0') * 10 + (name[4] - '0');
}

namespace {
bool isRegularFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}
}  // namespace

fs::path FindOrbFile(const fs::path& dir, int n)
{
    // The usual spelling first: it spares a directory scan.
    fs::path exact = dir / OrbFileName(n);
    if (isRegularFile(exact))
        return exact;
    std::error_code ec;
    fs::path found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (OrbNumberOf(p.filename().u8string()) == n && isRegularFile(p)) {
            // Several case variants can coexist on a case-sensitive file system: take the first by
            // name, so that the choice does not depend on the order the directory lists them in.
            if (found.empty() || p.filename() < found.filename())
                found = p;
        }
    }
    return found;
}

bool OrbFileExists(int n)
{
    std::error_code ec;
    return !FindOrbFile(fs::current_path(ec), n).empty();
}

std::array<bool, 100> ScanOrbFiles(const fs::path& dir)
{
    std::array<bool, 100> flags{};
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        int n = OrbNumberOf(it->path().filename().u8string());
        if (n >= 0 && isRegularFile(it->path()))
            flags[static_cast<std::size_t>(n)] = true;
    }
    return flags;
}

namespace {
template <class R>
void collectPastEnd(const uint8_t* image, std::size_t end, const char* table, int count,
                    const std::vector<FieldDef<R>>& fields, std::vector<PastEndValue>& out)
{
    for (const auto& f : fields) {
        for (int n = 1; n <= count; ++n) {
            const std::size_t first = static_cast<std::size_t>(f.at(n));
            for (std::size_t i = std::max(first, end); i < first + static_cast<std::size_t>(f.size()); ++i)
                if (image[i]) {
                    out.push_back({table, n, f.name});
                    break;
                }
        }
    }
}
}  // namespace

std::vector<PastEndValue> ValuesPastEnd(const uint8_t* image, std::size_t bytesRead)
{
    std::vector<PastEndValue> out;
    if (bytesRead >= OrbImageSize)
        return out;
    collectPastEnd(image, bytesRead, "units", UnitCount, UnitFields(), out);
    collectPastEnd(image, bytesRead, "weapons", WeaponCount, WeaponFields(), out);
    collectPastEnd(image, bytesRead, "formations", FormationCount, FormationFields(), out);
    return out;
}

std::string DescribePastEnd(const std::vector<PastEndValue>& values)
{
    std::string text;
    for (const char* table : {"units", "weapons", "formations"}) {
        std::vector<int> entries;
        for (const PastEndValue& v : values)
            if (std::string(v.table) == table)
                entries.push_back(v.entry);
        if (entries.empty())
            continue;
        std::sort(entries.begin(), entries.end());
        entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
        text += text.empty() ? "" : "; ";
        text += table;
        // Runs of consecutive numbers as first-last.
        for (std::size_t i = 0; i < entries.size();) {
            std::size_t j = i;
            while (j + 1 < entries.size() && entries[j + 1] == entries[j] + 1)
                ++j;
            text += (i ? ", " : " ") + std::to_string(entries[i]);
            if (j > i)
                text += "-" + std::to_string(entries[j]);
            i = j + 1;
        }
    }
    return text;
}
