// The file library's own failures as an error category, so that they are reported like the
// system's.
#include "lib_errors.h"

#include <string>

namespace pvw {

namespace {

class CLibCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "pvwfile"; }
    std::string message(int nCode) const override {
        switch (static_cast<ELibError>(nCode)) {
            case ELibError::SourceChanged:
                return "the source changed while it was copied";
            case ELibError::DirReplaced:
                return "the directory was replaced since it was read";
            case ELibError::LinkedCopyChanged:
                return "the copy it was to be linked to changed";
            case ELibError::SourceChangedSinceCopy:
                return "it changed after it was copied, and stays";
            case ELibError::ReadOnlyNotRestored:
                return "it could not be replaced or removed, and its read-only flag, cleared "
                       "for that, could not be set again";
        }
        return "unknown failure";
    }
};

}  // namespace

std::error_code LibError(ELibError eError) {
    static const CLibCategory s_category;
    return std::error_code(static_cast<int>(eError), s_category);
}

}  // namespace pvw
