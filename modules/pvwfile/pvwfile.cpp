// The family's file library: copies, updates, moves, equalises, compares and deletes files
// and trees, and keeps the settings and filters for these operations. What it promises:
// a copy appears under its real name only once it is complete and on the disk, and a source
// that changed while it was read is never put in place; a move removes a source only after its
// copy is complete, and only while it is unchanged; equalising deletes nothing when the source
// cannot be read, nothing outside the target and nothing excluded; every action below a root
// happens inside a directory held open since the walk, so a link swapped in meanwhile makes it
// fail rather than reach elsewhere; nothing is deleted in the file system's root or on another
// file system mounted inside a tree; links are copied as links and special files skipped; every
// file acted on and every failure, with the system's reason, is reported through the trace
// module.
#include "family/pvwfile.h"

#include "operations.h"
#include "settings.h"
#include "wildcard.h"

using namespace pvw;

namespace {

void SetFlag(bool CSettings::*pMember, int nOn) {
    ChangeSettings([&](CSettings& s) { s.*pMember = nOn != 0; });
}

// A filter text joins its list; Null or empty empties the list.
void AddFilter(std::vector<std::string> CSettings::*pMember, const char* pszFilter) {
    ChangeSettings([&](CSettings& s) {
        if (pszFilter == nullptr || *pszFilter == '\0') {
            (s.*pMember).clear();
        } else {
            (s.*pMember).push_back(pszFilter);
        }
    });
}

// Letters R, H, S, A: added to the set (nOn 1) or replacing it (nOn 0). Other letters are
// ignored, so that a typing slip filters nothing away by surprise.
void SetAttributeFilter(unsigned CSettings::*pMember, const char* pszAttrib, int nOn) {
    unsigned nBits = 0;
    for (const char* p = pszAttrib; p != nullptr && *p != '\0'; ++p) {
        char szLetter[2] = {*p, '\0'};
        unsigned nBit = 0;
        if (ParseAttributeLetters(szLetter, nBit)) nBits |= nBit;
    }
    ChangeSettings([&](CSettings& s) { s.*pMember = nOn != 0 ? (s.*pMember | nBits) : nBits; });
}

}  // namespace

int PVWScanDifference(const char* pszSource, const char* pszTarget, int nFlags,
                      const char* pszPatterns) {
    return TreeOperation(ETreeOp::ScanDifference, pszSource, pszTarget, nFlags, pszPatterns);
}
int PVWCopy(const char* pszSource, const char* pszTarget, int nFlags, const char* pszPatterns) {
    return TreeOperation(ETreeOp::Copy, pszSource, pszTarget, nFlags, pszPatterns);
}
int PVWMove(const char* pszSource, const char* pszTarget, int nFlags, const char* pszPatterns) {
    return TreeOperation(ETreeOp::Move, pszSource, pszTarget, nFlags, pszPatterns);
}
int PVWEqualize(const char* pszSource, const char* pszTarget, int nFlags, const char* pszPatterns) {
    return TreeOperation(ETreeOp::Equalize, pszSource, pszTarget, nFlags, pszPatterns);
}
int PVWUpdate(const char* pszSource, const char* pszTarget, int nFlags, const char* pszPatterns) {
    return TreeOperation(ETreeOp::Update, pszSource, pszTarget, nFlags, pszPatterns);
}
int PVWDelete(const char* pszTarget, int nFlags, const char* pszPatterns) {
    return DeleteFiles(pszTarget, nFlags, pszPatterns);
}
int PVWCreateDirectory(const char* pszPath) {
    return CreateDirectory(pszPath);
}
int PVWChangeAttrib(const char* pszSource, const char* pszAttrib, int nFlags,
                    const char* pszPatterns) {
    return ChangeAttrib(pszSource, pszAttrib, nFlags, pszPatterns);
}
void PVWAddCopyFile(const char* pszSource, const char* pszTarget, int nFlags) {
    QueueCopy(pszSource, pszTarget, nFlags);
}
int PVWCopyFiles(const char* pszJob) {
    return RunCopyQueue(pszJob);
}

void PVWSetSimulation(int nOn) {
    SetFlag(&CSettings::bSimulation, nOn);
}
void PVWSetIgnoreErrors(int nOn) {
    SetFlag(&CSettings::bIgnoreErrors, nOn);
}
void PVWSetAnswerYesForDelete(int nOn) {
    SetFlag(&CSettings::bAnswerYesForDelete, nOn);
}
void PVWSetShowProgress(int nOn) {
    SetFlag(&CSettings::bShowProgress, nOn);
}
void PVWSetProcessEmptyDirs(int nOn) {
    SetFlag(&CSettings::bProcessEmptyDirs, nOn);
}
// Nothing here is ever interactive; the setting is kept for hosts that call it.
void PVWSetSuppressErrorBox(int) {}
void PVWBreak(void) {
    RequestCancel();
}
void PVWAddFileIncludeFilter(const char* pszFilter) {
    AddFilter(&CSettings::arrInclude, pszFilter);
}
void PVWAddFileExcludeFilter(const char* pszFilter) {
    AddFilter(&CSettings::arrExclude, pszFilter);
}
void PVWAddDirExcludeFilter(const char* pszFilter) {
    AddFilter(&CSettings::arrDirExclude, pszFilter);
}
void PVWSetIncludeAttributes(const char* pszAttrib, int nOn) {
    SetAttributeFilter(&CSettings::nIncludeAttrib, pszAttrib, nOn);
}
void PVWSetExcludeAttributes(const char* pszAttrib, int nOn) {
    SetAttributeFilter(&CSettings::nExcludeAttrib, pszAttrib, nOn);
}
void PVWSetNotifyWindow(int hWnd) {
    ChangeSettings([&](CSettings& s) { s.nNotifyTarget = hWnd; });
}
void PVWSetReservedSpace(int nSpace) {
    ChangeSettings([&](CSettings& s) { s.nReservedMB = nSpace; });
}
void PVWSetFileTimeFilter(int nFilter) {
    ChangeSettings([&](CSettings& s) { s.nTimeFilterDays = nFilter; });
}
