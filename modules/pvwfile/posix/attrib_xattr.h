// Where POSIX keeps the S and A attributes: their letters in this extended attribute.
#pragma once

namespace pvw {
inline constexpr const char* kAttribXattr = "user.pvw.attrib";
}
