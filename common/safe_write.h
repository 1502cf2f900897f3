// The one safe write of a whole file: readers see the old file or the new one, never a part,
// and nothing planted in the folder can redirect the write. A file that is a symbolic link is
// written where the link points, and stays a link.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qjcommon {

// The name of a temporary file beside strTarget, new at every call.
using TempNameFn = std::function<std::string(const std::string& strTarget)>;

// A random hidden name beside strTarget: ".<its name>.<16 hex digits>.tmp".
std::string RandomTempName(const std::string& strTarget);

// The path that strPath names once every symbolic link on the last part is followed (the path
// itself when that is no link or does not exist). False with the reason.
bool ResolveLinks(const std::string& strPath, std::string& strResolved, std::string& strReason);

// Writes text as the whole new content of the file strPath names (links followed): into a
// temporary file beside it, created exclusively, never through a link, with the replaced
// file's permissions (owner only for a new file) from before the first byte; flushed to the
// disk, renamed over the file, and the folder flushed. A name that is taken is passed over for
// the next that tempName gives. False with the reason: the file is then unchanged, unless the
// rename was done and only the flush of the folder failed.
bool WriteFileSafely(const std::string& strPath, std::string_view text, std::string& strReason,
                     const TempNameFn& tempName = RandomTempName);

}  // namespace qjcommon
