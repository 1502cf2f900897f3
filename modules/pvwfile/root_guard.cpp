// The one refusal made before any walk: no operation that deletes works on the root of the
// whole file system ("/", or a drive's root), which no user means to empty.
#include "operations.h"

namespace pvw {

bool RefuseSystemRoot(CJob& job, const Path& path) {
    // Links and ".." are resolved first: a link to "/" is "/" too.
    std::error_code ec;
    Path real = std::filesystem::canonical(path, ec);
    if (ec || real != real.root_path()) return false;
    job.Stop(RES_TARGET, "refused: " + path.string() + " is the root of the file system");
    return true;
}

}  // namespace pvw
