// The system's reason for the last failed call, as the file library reports it.
#pragma once

#include <cerrno>
#include <system_error>

namespace pvw {

inline std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

}  // namespace pvw
