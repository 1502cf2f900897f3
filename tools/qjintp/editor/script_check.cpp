// Checking the text an editor holds, which need not be saved: the loader reads regular files
// only, so the text is checked from a temporary copy that is removed at once.
#include "editor/script_check.h"

#include <cstdio>

#include "host_os.h"

namespace {
// The temporary copy of a text, removed when it goes.
class CTextCopy {
public:
    CTextCopy() = default;
    CTextCopy(const CTextCopy&) = delete;
    CTextCopy& operator=(const CTextCopy&) = delete;
    ~CTextCopy() {
        if (!m_strPath.empty()) std::remove(m_strPath.c_str());
    }

    // False with the reason when the copy cannot be made.
    bool Write(const std::string& strText, std::string& strReason) {
        std::FILE* pFile = CreateTempFile(m_strPath, strReason);
        if (pFile == nullptr) return false;
        const bool bWritten =
            std::fwrite(strText.data(), 1, strText.size(), pFile) == strText.size();
        if (std::fclose(pFile) != 0 || !bWritten) {
            strReason = "cannot write the temporary copy of the script";
            return false;
        }
        return true;
    }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

// The text with every occurrence of one part replaced: errors of the loader name the copy.
std::string ReplaceAll(std::string strText, const std::string& strOld, const std::string& strNew) {
    for (size_t nPos = strText.find(strOld); nPos != std::string::npos;
         nPos = strText.find(strOld, nPos + strNew.size()))
        strText.replace(nPos, strOld.size(), strNew);
    return strText;
}
}  // namespace

std::optional<CScriptProblem> CScriptCheck::Check(const std::string& strText,
                                                  const std::string& strName) {
    CTextCopy copy;
    std::string strReason;
    if (!copy.Write(strText, strReason))
        return CScriptProblem{0, "cannot check the script: " + strReason};
    m_engine.m_nCurLine = 0;  // where a file that cannot be read is reported
    if (m_engine.Run(copy.Path().c_str(), "C/NT", nullptr) == 1) return std::nullopt;
    return CScriptProblem{m_engine.m_nCurLine,
                          ReplaceAll(m_engine.m_strError, copy.Path(), strName)};
}
