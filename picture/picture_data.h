// The stored form of a picture, as the window layout keeps its start
// picture: one byte giving the length of the class name, the class name,
// then the graphic's own data (for every class here: a 4-byte little-endian
// byte count and that many bytes of the file).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "picture/picture.h"

namespace vistrel {

// Restores `picture` from stored data. A class name that is not registered
// leaves the picture empty. Throws EReadError "Stream read error" when the
// data ends early, or the graphic's load error (EJPEG ...); the picture is
// then unchanged.
void ReadPictureData(TPicture& picture, std::span<const std::uint8_t> stored);

// The stored form of `picture`; empty when the picture is empty.
std::vector<std::uint8_t> WritePictureData(const TPicture& picture);

}  // namespace vistrel
