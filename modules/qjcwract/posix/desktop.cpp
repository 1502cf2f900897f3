// The desktop on POSIX: documents open with xdg-open; hosts show no start notification.
#include "../action_platform.h"

namespace qjact {

RunOutcome OpenDocument(const RunRequest& request) {
    RunRequest opener = request;
    opener.strProgram = "xdg-open";
    opener.arrArgs = {request.strProgram};
    return RunProgram(opener);
}

bool CloseStartNotice() {
    return false;
}

}  // namespace qjact
