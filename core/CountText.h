// A count with its noun, as every message of the tool words one: "1 entry", "3 entries".
#pragma once

#include <cstddef>
#include <string>

inline std::string CountText(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}
