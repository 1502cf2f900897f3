// The environment module: named values of the product family, kept in the environment store
// (an INI-style file, see env_store.h) and overridden by process environment variables of the
// same name; QJHome, named by neither, is the language home installed beside the module (see
// env_default.h). Names compare without regard to case. Every entry answers before any PVEnvInit,
// loading the default store on first use; a failure to read or write the store is logged with
// the system's reason and answered with 0, and never leaves a half-written file. A change is
// made under the lock file beside the store (<store>.lock), on the store read afresh, so that
// processes that set values at the same time lose none. A store that is a symbolic link is
// changed where the link points. Within a process, callers run on one thread at a time.
#include "family/qjenv.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "config_files.h"
#include "env_default.h"
#include "env_platform.h"
#include "env_store.h"
#include "env_translate.h"
#include "family/qjclog.h"
#include "file_lock.h"
#include "safe_write.h"

using namespace qjenv;

namespace {
constexpr char SOURCE_NAME[] = "QJEnv";

struct LoadedStore {
    CEnvStore store;
    std::string strPath;  // the file PVEnvSet writes; empty when none can be named
};

std::optional<LoadedStore> g_loaded;

void LogFailure(const std::string& strPath, const char* pszWhat, const std::string& strReason) {
    std::string strText = "'" + strPath + "': " + pszWhat + " - " + strReason;
    LogMessage(2, SOURCE_NAME, strText.c_str());
}

bool FileExists(const std::string& strPath) {
    std::error_code ec;
    return std::filesystem::exists(strPath, ec);
}

// Reads a store file. A missing file is an empty store; an unreadable one is logged.
bool ReadStore(const std::string& strPath, CEnvStore& store) {
    std::string strText, strReason;
    if (strPath.empty()) return false;
    if (!qjcommon::ReadSmallFile(strPath, MAX_STORE_BYTES, strText, strReason)) {
        if (FileExists(strPath))
            LogFailure(strPath, "cannot read the environment store", strReason);
        store.Parse(std::string());
        return false;
    }
    store.Parse(strText);
    return true;
}

bool Load(const std::string& strPath) {
    g_loaded.emplace();
    g_loaded->strPath = strPath;
    return ReadStore(strPath, g_loaded->store);
}

LoadedStore& Loaded() {
    if (!g_loaded) Load(qjcommon::EnvStorePath());
    return *g_loaded;
}

std::optional<std::string> Lookup(const std::string& strName) {
    if (std::optional<std::string> value = ProcessValue(strName)) return value;
    if (std::optional<std::string> value = Loaded().store.Find(strName)) return value;
    return DefaultValue(strName);
}

// Copies at most nSize - 1 characters and a zero.
void CopyCut(const std::string& strText, char* pszBuf, int nSize) {
    std::size_t nLen = std::min(strText.size(), static_cast<std::size_t>(nSize) - 1);
    strText.copy(pszBuf, nLen);
    pszBuf[nLen] = '\0';
}

bool CanWrite(const char* pszText, char* pszBuf, int nSize) {
    return pszText != nullptr && pszBuf != nullptr && nSize >= 1;
}

// Makes the folder of the store's file and takes the lock beside that file.
bool LockStore(const std::string& strFile, qjcommon::CFileLock& lock) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::path(strFile).parent_path();
    if (!dir.empty()) std::filesystem::create_directories(dir, ec);
    if (ec) {
        LogFailure(dir.string(), "cannot create the folder of the environment store", ec.message());
        return false;
    }
    std::string strReason;
    if (lock.Lock(strFile + ".lock", strReason)) return true;
    LogFailure(strFile, "cannot lock the environment store", strReason);
    return false;
}

// Writes the store with one name changed: under the lock, the file is read afresh, so that
// lines written by someone else since it was loaded are kept too. Nothing changes unless the
// write succeeds, and no change makes the store larger than it may be read.
bool WriteChange(LoadedStore& loaded, const std::string& strName, const char* pszValue) {
    std::string strFile, strReason;
    if (!qjcommon::ResolveLinks(loaded.strPath, strFile, strReason)) {
        LogFailure(loaded.strPath, "cannot find the environment store", strReason);
        return false;
    }
    qjcommon::CFileLock lock;
    if (!LockStore(strFile, lock)) return false;
    CEnvStore store;
    if (!ReadStore(strFile, store) && FileExists(strFile)) return false;
    store.Set(strName, pszValue);
    std::string strText = store.Text();
    if (strText.size() > MAX_STORE_BYTES) {
        LogFailure(strFile, "cannot write the environment store",
                   "it would grow to " + std::to_string(strText.size()) +
                       " bytes, past the most that is read of it (" +
                       std::to_string(MAX_STORE_BYTES) + ")");
        return false;
    }
    if (!qjcommon::WriteFileSafely(strFile, strText, strReason)) {
        LogFailure(strFile, "cannot write the environment store", strReason);
        return false;
    }
    loaded.store = std::move(store);
    return true;
}
}  // namespace

int PVEnvInit(const char* pszInit) {
    return Load(pszInit != nullptr ? pszInit : qjcommon::EnvStorePath()) ? 1 : 0;
}

int PVEnvSet(const char* pszName, const char* pszValue) {
    if (pszName == nullptr || !CEnvStore::IsValidName(pszName)) return 0;
    if (pszValue != nullptr && !CEnvStore::IsValidValue(pszValue)) return 0;
    LoadedStore& loaded = Loaded();
    if (loaded.strPath.empty()) return 0;
    return WriteChange(loaded, pszName, pszValue) ? 1 : 0;
}

int PVEnvGet(const char* pszKey, char* pszBuf, int nSize) {
    if (!CanWrite(pszKey, pszBuf, nSize)) return 0;
    std::optional<std::string> value = Lookup(pszKey);
    if (!value) return 0;
    CopyCut(*value, pszBuf, nSize);
    return 1;
}

int PVEnvStrToRealStr(const char* pszText, char* pszBuf, int nSize) {
    if (!CanWrite(pszText, pszBuf, nSize)) return 0;
    std::string strReal;
    if (!ExpandNames(pszText, Lookup, strReal)) return 0;
    if (strReal.size() > static_cast<std::size_t>(nSize) - 1) return 0;
    CopyCut(strReal, pszBuf, nSize);
    return 1;
}

int PVEnvPathStrToEnvStr(const char* pszText, char* pszBuf, int nSize) {
    if (pszBuf == nullptr || nSize < 1) return 0;
    if (pszText == nullptr) {
        *pszBuf = '\0';
        return 0;
    }
    // Only the store's own names are offered, each with its value as overridden, so that
    // unrelated process variables (HOME, PWD) never creep into stored paths.
    std::vector<std::pair<std::string, std::string>> known;
    for (const std::string& strName : Loaded().store.Names())
        known.emplace_back(strName, *Lookup(strName));
    std::string strEnv;
    bool bReplaced =
        CollapsePath(pszText, known, strEnv) && strEnv.size() < static_cast<std::size_t>(nSize);
    CopyCut(bReplaced ? strEnv : std::string(pszText), pszBuf, nSize);
    return bReplaced ? 1 : 0;
}

void PVEnvFree(void) {
    g_loaded.reset();
}
