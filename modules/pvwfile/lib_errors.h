// The file library's own failures, which no system error names.
#pragma once

#include <system_error>

namespace pvw {

enum class ELibError {
    SourceChanged = 1,       // the source's size or time moved while it was copied
    SourceChangedSinceCopy,  // a moved source is no longer the file that was copied
    DirReplaced,             // a directory is no longer the one the walk found
    LinkedCopyChanged,       // the copy a further name was to be linked to is no longer it
    ReadOnlyNotRestored,     // a replace or removal failed, and so did giving back the
                             // read-only flag cleared for it
};

std::error_code LibError(ELibError eError);

}  // namespace pvw
