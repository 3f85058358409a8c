// The pixel pass of a turn: by bands of output rows where the whole picture
// lies inside the input, else pixel by pixel in the source order; then the
// top row black, as the original tool leaves it.
#pragma once

#include "bytefile.hpp"
#include "passoptions.hpp"
#include "rotationjob.hpp"

namespace kippdreh {

// The result is the same for any options.
void rotatePixels(const RotationJob& job, const ByteFile& input, ByteFile& output, const PassOptions& options);

} // namespace kippdreh
