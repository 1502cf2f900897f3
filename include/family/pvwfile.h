// The family's file library: copy, move, compare, equalise, update and delete files.
#pragma once

#include "family/export.h"

extern "C" {
QJ_EXPORT int PVWScanDifference(const char* pszSource, const char* pszTarget, int nFlags,
                                const char* pszLog);
QJ_EXPORT int PVWCopy(const char* pszSource, const char* pszTarget, int nFlags, const char* pszLog);
QJ_EXPORT int PVWMove(const char* pszSource, const char* pszTarget, int nFlags, const char* pszLog);
QJ_EXPORT int PVWEqualize(const char* pszSource, const char* pszTarget, int nFlags,
                          const char* pszLog);
QJ_EXPORT int PVWDelete(const char* pszTarget, int nFlags, const char* pszLog);
QJ_EXPORT int PVWCreateDirectory(const char* pszPath);
QJ_EXPORT int PVWChangeAttrib(const char* pszSource, const char* pszAttrib, int nFlags,
                              const char* pszLog);
QJ_EXPORT void PVWSetSimulation(int nOn);
QJ_EXPORT void PVWSetIgnoreErrors(int nOn);
QJ_EXPORT void PVWSetAnswerYesForDelete(int nOn);
QJ_EXPORT void PVWSetShowProgress(int nOn);
QJ_EXPORT void PVWBreak(void);
QJ_EXPORT void PVWAddFileIncludeFilter(const char* pszFilter);
QJ_EXPORT void PVWAddFileExcludeFilter(const char* pszFilter);
QJ_EXPORT void PVWAddDirExcludeFilter(const char* pszFilter);
QJ_EXPORT void PVWSetIncludeAttributes(const char* pszAttrib, int nOn);
QJ_EXPORT void PVWSetExcludeAttributes(const char* pszAttrib, int nOn);
QJ_EXPORT void PVWSetNotifyWindow(int hWnd);
QJ_EXPORT void PVWSetReservedSpace(int nSpace);
QJ_EXPORT void PVWSetProcessEmptyDirs(int nOn);
QJ_EXPORT void PVWSetFileTimeFilter(int nFilter);
QJ_EXPORT void PVWAddCopyFile(const char* pszSource, const char* pszTarget, int nFlags);
QJ_EXPORT int PVWCopyFiles(const char* pszLog);
QJ_EXPORT int PVWUpdate(const char* pszSource, const char* pszTarget, int nFlags,
                        const char* pszLog);
QJ_EXPORT void PVWSetSuppressErrorBox(int nOn);
}
