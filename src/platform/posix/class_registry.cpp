// The class registry of the POSIX object model: factories registered in the process, the
// registry file that names automation-server libraries, and the loading of those libraries.
#include "platform/posix/class_registry.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "config_files.h"
#include "plain_text.h"
#include "safe_write.h"

namespace {

// One line of the registry file.
struct CClassLine {
    std::string strProgId;
    CLSID clsid;
    std::string strLibrary;
};

struct CRegisteredClass {
    std::string strProgId;
    CLSID clsid;
    IClassFactory* pFactory;  // one reference held by the registry
};

// A lookup may load a library whose start-up registers factories of its own, on the same
// thread and while the lookup holds the lock.
struct CRegistry {
    std::recursive_mutex mutex;
    std::vector<CRegisteredClass> arrClasses;
    std::map<std::string, void*> mapLibraries;  // path to handle; libraries stay loaded
};

// Destroyed with the module, without releasing the factories it references: they may belong to
// libraries whose statics are gone by then, and each lives as long as its library. The
// libraries it loaded stay loaded.
CRegistry& Registry() {
    static CRegistry s_registry;
    return s_registry;
}

bool SameProgId(const std::string& strProgId, const char* pszProgId) {
    return qjcommon::EqualsNoCase(strProgId, pszProgId);
}

CRegisteredClass* FindRegistered(const char* pszProgId) {
    for (CRegisteredClass& cls : Registry().arrClasses)
        if (SameProgId(cls.strProgId, pszProgId)) return &cls;
    return nullptr;
}

CRegisteredClass* FindRegistered(const CLSID& clsid) {
    for (CRegisteredClass& cls : Registry().arrClasses)
        if (cls.clsid == clsid) return &cls;
    return nullptr;
}

// Splits one line of the registry file; false for blank, comment and malformed lines.
bool ParseClassLine(const std::string& strLine, CClassLine& line) {
    std::istringstream in(strLine);
    std::string strClsid;
    if (!(in >> line.strProgId >> strClsid) || line.strProgId[0] == '#') return false;
    if (!GuidFromString(strClsid.c_str(), line.clsid)) return false;
    std::string strRest;
    std::getline(in, strRest);
    line.strLibrary = qjcommon::Trim(strRest, qjcommon::WHITE_SPACE);
    return !line.strLibrary.empty();
}

// The registry names a handful of classes: a larger file is not one.
constexpr std::size_t MAX_REGISTRY_BYTES = 1024 * 1024;

// The lines of the registry file; a missing file has none. Nothing when the path names anything
// but a regular file of at most MAX_REGISTRY_BYTES, or the file cannot be read.
std::optional<std::vector<std::string>> ReadRegistryLines(const std::string& strPath) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(strPath, ec))) {
        if (ec && ec != std::errc::no_such_file_or_directory) return std::nullopt;
        return std::vector<std::string>();
    }
    std::string strText;
    std::string strReason;
    if (!qjcommon::ReadSmallFile(strPath, MAX_REGISTRY_BYTES, strText, strReason))
        return std::nullopt;
    std::vector<std::string> arrLines;
    std::istringstream in(strText);
    for (std::string strLine; std::getline(in, strLine);) arrLines.push_back(strLine);
    return arrLines;
}

std::optional<CClassLine> FindClassLine(const char* pszProgId) {
    std::string strPath = GetClassRegistryPath();
    if (strPath.empty()) return std::nullopt;
    for (const std::string& strLine :
         ReadRegistryLines(strPath).value_or(std::vector<std::string>())) {
        CClassLine line;
        if (ParseClassLine(strLine, line) && SameProgId(line.strProgId, pszProgId)) return line;
    }
    return std::nullopt;
}

// Loads an automation-server library once and finds its entry.
HRESULT LoadServerEntry(const std::string& strLibrary, PFNGETCLASSOBJECT& pfnEntry) {
    void*& hLibrary = Registry().mapLibraries[strLibrary];
    if (!hLibrary) hLibrary = dlopen(strLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!hLibrary) {
        Registry().mapLibraries.erase(strLibrary);
        return AUTO_E_MOD_NOT_FOUND;
    }
    pfnEntry = reinterpret_cast<PFNGETCLASSOBJECT>(dlsym(hLibrary, "DllGetClassObject"));
    return pfnEntry ? S_OK : CO_E_ERRORINDLL;
}

bool IsValidProgId(const char* pszProgId) {
    return pszProgId && *pszProgId && *pszProgId != '#' && !std::strpbrk(pszProgId, " \t\r\n");
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads nDigits hex digits at p into nValue.
bool ReadHex(const char* p, int nDigits, uint64_t& nValue) {
    nValue = 0;
    for (int i = 0; i < nDigits; ++i) {
        int nDigit = HexValue(p[i]);
        if (nDigit < 0) return false;
        nValue = nValue * 16 + static_cast<uint64_t>(nDigit);
    }
    return true;
}

}  // namespace

bool GuidFromString(const char* psz, GUID& guid) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters, dashes at 9, 14, 19 and 24.
    if (!psz || std::strlen(psz) != 38 || psz[0] != '{' || psz[37] != '}') return false;
    if (psz[9] != '-' || psz[14] != '-' || psz[19] != '-' || psz[24] != '-') return false;
    uint64_t n1, n2, n3, n4, n5;
    if (!ReadHex(psz + 1, 8, n1) || !ReadHex(psz + 10, 4, n2) || !ReadHex(psz + 15, 4, n3) ||
        !ReadHex(psz + 20, 4, n4) || !ReadHex(psz + 25, 12, n5))
        return false;
    guid.Data1 = static_cast<uint32_t>(n1);
    guid.Data2 = static_cast<uint16_t>(n2);
    guid.Data3 = static_cast<uint16_t>(n3);
    guid.Data4[0] = static_cast<uint8_t>(n4 >> 8);
    guid.Data4[1] = static_cast<uint8_t>(n4);
    for (int i = 0; i < 6; ++i) guid.Data4[2 + i] = static_cast<uint8_t>(n5 >> (40 - 8 * i));
    return true;
}

std::string GuidToString(const GUID& guid) {
    char szGuid[39];
    std::snprintf(szGuid, sizeof szGuid, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return szGuid;
}

std::string GetClassRegistryPath() {
    const char* pszFile = std::getenv("QJ_CLASSES");
    if (pszFile && *pszFile) return pszFile;
    std::string strDir = qjcommon::ConfigDir();
    return strDir.empty() ? strDir : strDir + "/classes";
}

HRESULT RegisterClassFactory(const char* pszProgId, REFCLSID clsid, IClassFactory* pFactory) {
    if (!IsValidProgId(pszProgId) || !pFactory) return E_INVALIDARG;
    std::lock_guard lock(Registry().mutex);
    pFactory->AddRef();
    if (CRegisteredClass* pClass = FindRegistered(pszProgId)) {
        pClass->pFactory->Release();
        *pClass = {pszProgId, clsid, pFactory};
    } else {
        Registry().arrClasses.push_back({pszProgId, clsid, pFactory});
    }
    return S_OK;
}

HRESULT WriteClassRegistration(const char* pszProgId, REFCLSID clsid, const char* pszLibrary) {
    if (!IsValidProgId(pszProgId) || !pszLibrary || !*pszLibrary ||
        std::strpbrk(pszLibrary, "\r\n"))
        return E_INVALIDARG;
    std::string strPath = GetClassRegistryPath();
    if (strPath.empty()) return E_FAIL;

    // A file that is there but cannot be read as a registry is left as it is.
    std::optional<std::vector<std::string>> arrLines = ReadRegistryLines(strPath);
    if (!arrLines) return E_FAIL;
    std::string strNewLine =
        std::string(pszProgId) + " " + GuidToString(clsid) + " " + pszLibrary + "\n";
    std::string strContent;
    bool bWritten = false;
    for (const std::string& strLine : *arrLines) {
        CClassLine line;
        if (!ParseClassLine(strLine, line) || !SameProgId(line.strProgId, pszProgId)) {
            strContent += strLine + "\n";
        } else if (!bWritten) {
            strContent += strNewLine;
            bWritten = true;
        }
    }
    if (!bWritten) strContent += strNewLine;

    std::error_code ec;
    std::filesystem::path path(strPath);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::string strReason;
    return qjcommon::WriteFileSafely(strPath, strContent, strReason) ? S_OK : E_FAIL;
}

HRESULT GetClassObjectOfProgId(const char* pszProgId, IClassFactory** ppFactory) {
    *ppFactory = nullptr;
    if (!pszProgId) return CO_E_CLASSSTRING;
    std::lock_guard lock(Registry().mutex);
    CRegisteredClass* pClass = FindRegistered(pszProgId);
    std::optional<CClassLine> line;
    if (!pClass) {
        line = FindClassLine(pszProgId);
        if (!line) return CO_E_CLASSSTRING;
        // A class already registered in the process is served from there.
        pClass = FindRegistered(line->clsid);
    }
    if (pClass) {
        pClass->pFactory->AddRef();
        *ppFactory = pClass->pFactory;
        return S_OK;
    }
    PFNGETCLASSOBJECT pfnEntry = nullptr;
    HRESULT hr = LoadServerEntry(line->strLibrary, pfnEntry);
    if (hr != S_OK) return hr;
    hr = pfnEntry(line->clsid, IID_IClassFactory, reinterpret_cast<void**>(ppFactory));
    if (hr < 0) *ppFactory = nullptr;
    return hr;
}
