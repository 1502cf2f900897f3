// Copying a script from standard input into a temporary file.
#include "stdin_script.h"

#include <cstdio>

#include "host_os.h"

namespace {
// Far more than any script needs; a stream without end must not fill the disk.
constexpr std::size_t MAX_SCRIPT_BYTES = 64u << 20;

bool CopyStream(std::FILE* pIn, std::FILE* pOut, const std::atomic<int>& nStop,
                std::string& strReason) {
    char szBuffer[65536];
    std::size_t nTotal = 0;
    for (std::size_t nRead;
         nStop == 0 && (nRead = std::fread(szBuffer, 1, sizeof szBuffer, pIn)) > 0;) {
        nTotal += nRead;
        if (nTotal > MAX_SCRIPT_BYTES) {
            strReason = "the script on standard input is larger than 64 MiB";
            return false;
        }
        if (std::fwrite(szBuffer, 1, nRead, pOut) != nRead) {
            strReason = "cannot write the temporary file";
            return false;
        }
    }
    if (std::ferror(pIn) || nStop != 0) {
        strReason = "cannot read standard input";
        return false;
    }
    return true;
}
}  // namespace

bool CStdinScript::Copy(const std::atomic<int>& nStop, std::string& strReason) {
    std::FILE* pOut = CreateTempFile(m_strPath, strReason);
    if (!pOut) {
        strReason = "cannot create a temporary file: " + strReason;
        return false;
    }
    bool bCopied = CopyStream(stdin, pOut, nStop, strReason);
    if (std::fclose(pOut) != 0 && bCopied) {
        strReason = "cannot write the temporary file";
        bCopied = false;
    }
    return bCopied;
}

CStdinScript::~CStdinScript() {
    if (!m_strPath.empty()) std::remove(m_strPath.c_str());
}
