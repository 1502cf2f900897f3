// One run of an operation: its settings snapshot, the count of files acted on, the reporting
// of every file and every failure through the trace module (and the host's notification
// target), cancellation, and the result.
#pragma once

#include <string>
#include <system_error>

#include "entry.h"
#include "progress.h"
#include "settings.h"

namespace pvw {

// Results of an operation besides the count of files acted on.
enum : int {
    RES_SOURCE = -1,     // source missing or unreadable
    RES_TARGET = -2,     // target cannot be created
    RES_FAILED = -3,     // a file failed and errors are not ignored
    RES_CANCELLED = -4,  // cancelled by PVWBreak
    RES_RESERVED = -5,   // the reserved space would be undercut
    RES_ARGUMENT = -6,   // a required argument is Null or empty
};

// Option bits of the tree operations.
enum : int { OPT_SUBDIRS = 1, OPT_OVERWRITE_READONLY = 2, OPT_COMPARE_CONTENTS = 4 };

class CJob {
public:
    CJob(const char* pszOperation, int nFlags);

    const CSettings& Settings() const { return m_settings; }
    bool Option(int nBit) const { return (m_nFlags & nBit) != 0; }
    bool Simulating() const { return m_settings.bSimulation; }
    CProgress& Progress() { return m_progress; }

    // A file acted on: one line "<operation>: <what> <source> -> <target>", counted.
    void Acted(const char* pszWhat, const Path& source, const Path* pTarget = nullptr);
    // A line that counts nothing (skipped, would delete).
    void Note(const char* pszWhat, const Path& source, const Path* pTarget = nullptr);
    // The same with the paths' texts, for reports made by the thousand.
    void Acted(const char* pszWhat, const std::string& strSource, const std::string* pTarget);
    void Note(const char* pszWhat, const std::string& strSource, const std::string* pTarget);
    // A failing file, named with the reason. True when the operation goes on (errors ignored);
    // otherwise the result becomes RES_FAILED.
    bool Fail(const char* pszWhat, const Path& path, const std::string& strReason);
    bool Fail(const char* pszWhat, const Path& path, const std::error_code& ec) {
        return Fail(pszWhat, path, ec.message());
    }
    // Ends the operation with a result code, saying why.
    int Stop(int nCode, const std::string& strWhy);

    // Takes a pending cancel request; the result is then RES_CANCELLED.
    bool CheckCancel();
    bool Stopped() const { return m_nStop != 0; }
    int Count() const { return m_nCount; }
    // The count, or the code that stopped the operation; also traces a summary line.
    int Finish();

    // While one lives, the job's lines go to the trace together, a few kilobytes of whole lines
    // at a time, the rest when it ends: the files of a batch put in place are reported in a few
    // writes rather than one each, in the same order.
    class CGathered {
    public:
        explicit CGathered(CJob& job) : m_job(job) { m_job.m_bGathering = true; }
        ~CGathered();
        CGathered(const CGathered&) = delete;
        CGathered& operator=(const CGathered&) = delete;

    private:
        CJob& m_job;
    };

private:
    // Every line goes out here, each control character in it escaped.
    void Line(const std::string& strLine);
    // Ends the line made at the end of the gathered ones from nStart on, and sends it out
    // unless lines are gathered.
    void EndLine(size_t nStart);
    void TraceGathered();

    std::string m_strOperation;
    int m_nFlags;
    CSettings m_settings;
    CProgress m_progress;
    int m_nCount = 0;
    int m_nFailures = 0;
    int m_nStop = 0;
    bool m_bGathering = false;
    // Whole lines, each with its line feed, and the line being made after them; empty between
    // lines unless lines are gathered.
    std::string m_strGathered;
    std::string m_strLine;  // a line that goes out after those before it
};

}  // namespace pvw
