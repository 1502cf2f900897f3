// Whether two files of the trees hold the same bytes, for the option that compares contents.
#pragma once

#include <system_error>

#include "tree_walk.h"

namespace pvw {

// Byte for byte; a link compares by the path it holds. ec says why they could not be compared.
bool SameContents(const CPair& pair, EKind eKind, std::error_code& ec);

}  // namespace pvw
