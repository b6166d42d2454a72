#pragma once

#include <cstdint>
#include <vector>

#include "document/file_store.h"
#include "raster/px.h"

namespace vt {

// The files the command-line tool reads and writes: durable POSIX writes in the Qt build,
// plain standard-library files without it.
TFileStore& CliFileStore();

// The buffer's colours as a PNG; false when the build has no PNG writer.
bool EncodePNG(const TPX& px, std::vector<std::uint8_t>& out);

}  // namespace vt
