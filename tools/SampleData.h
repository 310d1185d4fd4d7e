// Synthetic sample data files: invented names and values, deterministic for a given file number.
#pragma once

#include "data/ORBIO.h"

#include <string>
#include <vector>

// The numbers of the sample files the generator writes.
const std::vector<int>& SampleFileNumbers();
// The full image of sample file n: plausible tables plus non-zero bytes everywhere the
// tables do not reach.
std::vector<uint8_t> MakeSampleImage(int n);
