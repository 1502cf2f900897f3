// The locks of temporaries on Windows: the writer's handle of the temporary, open from its
// creation until it is renamed into place or removed. It shares deleting, so that the writer's
// own rename goes through; a sweeper's open that shares nothing fails while it is open, and so
// tells a temporary being written from one whose writer is gone.
#include "in_place.h"
#include "win_error.h"

namespace pvw {

void ReleaseTemp(TempLock lock) {
    if (lock != -1) CloseHandle(reinterpret_cast<HANDLE>(lock));
}

bool RemoveStaleTemp(DirHandle dir, const std::string& strName, std::error_code& ec) {
    HANDLE hFile = OpenInPlace(dir, strName, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                               EShare::None, ec);
    if (hFile == INVALID_HANDLE_VALUE) {
        // Its writer still has it, it is gone already, or it is a link.
        if (ec == std::errc::device_or_resource_busy ||
            ec == std::errc::no_such_file_or_directory ||
            ec == std::errc::too_many_symbolic_link_levels) {
            ec.clear();
        }
        return false;
    }
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!GetFileInformationByHandleEx(hFile, FileAttributeTagInfo, &tag, sizeof tag)) {
        ec = LastWinError();
    } else if (!IsLinkTag(tag.FileAttributes, tag.ReparseTag)) {
        // Its writer let go of it without renaming it: it is garbage of a run that ended.
        return DeleteFileByHandle(hFile, tag.FileAttributes, ec);
    }
    CloseHandle(hFile);
    return false;
}

// A process's handles are not the scarce kind of descriptor that POSIX limits.
size_t MaxHeldCopies() {
    return 2048;
}

}  // namespace pvw
