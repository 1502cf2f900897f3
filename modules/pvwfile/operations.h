// The library's operations, behind the exported functions. Each answers the number of files
// acted on, or one of the RES_ codes of job.h.
#pragma once

namespace pvw {

enum class ETreeOp { Copy, Update, Move, Equalize, ScanDifference };

int TreeOperation(ETreeOp eOp, const char* pszSource, const char* pszTarget, int nFlags,
                  const char* pszPatterns);
int DeleteFiles(const char* pszDir, int nFlags, const char* pszPatterns);
int ChangeAttrib(const char* pszSource, const char* pszChange, int nFlags, const char* pszPatterns);
int CreateDirectory(const char* pszPath);
void QueueCopy(const char* pszSource, const char* pszTarget, int nFlags);
int RunCopyQueue(const char* pszJob);

// A required text argument that is Null or empty.
inline bool Missing(const char* psz) {
    return psz == nullptr || *psz == '\0';
}

}  // namespace pvw
