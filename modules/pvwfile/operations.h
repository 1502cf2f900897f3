// The library's operations, behind the exported functions. Each answers the number of files
// acted on, or one of the RES_ codes of job.h.
#pragma once

#include "job.h"

namespace pvw {

enum class ETreeOp { Copy, Update, Move, Equalize, ScanDifference };

int TreeOperation(ETreeOp eOp, const char* pszSource, const char* pszTarget, int nFlags,
                  const char* pszPatterns);
int DeleteFiles(const char* pszDir, int nFlags, const char* pszPatterns);
int ChangeAttrib(const char* pszSource, const char* pszChange, int nFlags, const char* pszPatterns);
int CreateDirectory(const char* pszPath);
void QueueCopy(const char* pszSource, const char* pszTarget, int nFlags);
int RunCopyQueue(const char* pszJob);

// True, with the operation stopped with RES_TARGET, when path is the root of the file system;
// checked before anything is walked by every operation that deletes.
bool RefuseSystemRoot(CJob& job, const Path& path);

// A required text argument that is Null or empty.
inline bool Missing(const char* psz) {
    return psz == nullptr || *psz == '\0';
}

}  // namespace pvw
