// The language resource module: the search for a language module, its version check, and
// the switch of the module's texts to it and back.
#include "host/language_module.h"

#include <vector>

#include "family/lang_module.h"
#include "host/app.h"
#include "plain_text.h"
#include "res/strings.h"

namespace {
// Sizes of the buffers the environment keys are read into, with their terminating zero.
constexpr int LANGUAGE_SIZE = 100;
constexpr int HOME_SIZE = 260;

constexpr char WRONG_VERSION_TEXT[] =
    "The language file is the wrong version - now using default language.\n"
    "Please download the current language file.";
constexpr char NOT_A_PLAIN_NAME_TEXT[] =
    "The language name is not a plain name - now using default language.\n"
    "A language name holds letters, digits, '-', '_' and '.', and no \"..\".";

// The directories that may hold a language, in the order they are tried: the home's
// system/lg, the client home's bin/lg, and the home's system/lg once more (at the root
// when the home is empty).
std::vector<std::string> LanguageDirs(const std::string& strHome, const std::string& strCHome) {
    const char sep = platform::PATH_SEPARATOR;
    std::string strSystem = strHome + sep + "system" + sep + "lg" + sep;
    std::vector<std::string> dirs;
    if (!strHome.empty()) dirs.push_back(strSystem);
    if (!strCHome.empty()) dirs.push_back(strCHome + sep + "bin" + sep + "lg" + sep);
    dirs.push_back(strSystem);
    return dirs;
}

// A language name becomes part of the paths searched, so it must name an entry of the
// language directory itself: no separator, no "..", no drive, nothing a file name cannot hold.
bool IsPlainName(const std::string& strName) {
    if (strName.front() == '.' || strName.find("..") != std::string::npos) return false;
    for (unsigned char c : strName) {
        bool bNameChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
                         c >= 0x80;  // 0x80 and up: letters of the code page
        if (!bNameChar) return false;
    }
    return true;
}

// The first of the files that exists, or the empty text.
template <typename PathOf>
std::string FirstExisting(const std::vector<std::string>& dirs, PathOf pathOf) {
    for (const std::string& strDir : dirs) {
        std::string strPath = pathOf(strDir);
        if (platform::FileExists(strPath)) return strPath;
    }
    return std::string();
}
}  // namespace

CLanguageModule::CLanguageModule() {
    m_hEnvDll = platform::OpenModule(platform::ENV_MODULE_NAME);
    if (m_hEnvDll != nullptr) {
        m_pfnEnvGet = reinterpret_cast<PFNENVGET>(platform::ModuleSymbol(m_hEnvDll, "PVEnvGet"));
    }
}

CLanguageModule::~CLanguageModule() {
    Restore(1, 0);
    if (m_hEnvDll != nullptr) {
        platform::CloseModule(m_hEnvDll);
        m_hEnvDll = nullptr;
    }
    m_pfnEnvGet = nullptr;
}

std::string CLanguageModule::ReadKey(const char* pszKey, int nSize) const {
    if (m_pfnEnvGet == nullptr) return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(nSize), '\0');
    m_pfnEnvGet(pszKey, buffer.data(), nSize);
    buffer.back() = '\0';
    return buffer.data();
}

int CLanguageModule::Load(int bAdmin, const char* pszBase, int nMsgId) {
    // The base name: the module's own file name without its extension, unless one is given.
    std::string strBase = pszBase != nullptr ? pszBase : platform::OwnModulePath();
    bool bOwnModuleFile = false;
    if (pszBase == nullptr) {
        std::size_t nSep = strBase.rfind(platform::PATH_SEPARATOR);
        if (nSep == std::string::npos) return 0;
        strBase.erase(0, nSep + 1);
        std::size_t nDot = strBase.rfind('.');
        if (nDot != std::string::npos) {
            bOwnModuleFile = qjcommon::EqualsNoCase(std::string_view(strBase).substr(nDot),
                                                    platform::OWN_MODULE_EXTENSION);
            strBase.erase(nDot);
        }
    }

    std::string strLang = ReadKey(bAdmin ? "QJLGAdmin" : "QJLg", LANGUAGE_SIZE);
    if (strLang.empty()) return 0;
    if (!IsPlainName(strLang)) {
        ShowNotice(NOT_A_PLAIN_NAME_TEXT);
        return 0;
    }
    std::string strHome = ReadKey("QJHome", HOME_SIZE);
    std::string strCHome = ReadKey("QJCHome", HOME_SIZE);
    if (strHome.empty() && strCHome.empty()) return 0;

    const char sep = platform::PATH_SEPARATOR;
    std::vector<std::string> dirs = LanguageDirs(strHome, strCHome);
    std::string strModule = FirstExisting(dirs, [&](const std::string& strDir) {
        std::string strExt = platform::ReadProfileString(strDir + strLang + ".cfg", "LG",
                                                         "Extension", LANGUAGE_SIZE);
        return strDir + strLang + sep + "res" + sep + strBase + "." + strExt;
    });
    std::string strHelp;
    if (!bOwnModuleFile) {
        strHelp = FirstExisting(dirs, [&](const std::string& strDir) {
            return strDir + strLang + sep + "help" + sep + strBase + ".hlp";
        });
    }

    Restore(!strModule.empty(), !strHelp.empty());
    int nResult = 0;
    if (!strModule.empty()) {
        platform::ModuleHandle hModule = platform::OpenModule(strModule);
        if (hModule != nullptr) nResult = TakeModule(hModule, nMsgId);
    }
    if (!strHelp.empty() && g_pApp != nullptr) {
        if (!g_pApp->m_strHelpPath.empty()) m_strOldHelpPath = g_pApp->m_strHelpPath;
        g_pApp->m_strHelpPath = strHelp;
    }
    return nResult;
}

int CLanguageModule::TakeModule(platform::ModuleHandle hModule, int nMsgId) {
    auto pfnVersion =
        reinterpret_cast<decltype(&GetLGVersion)>(platform::ModuleSymbol(hModule, "GetLGVersion"));
    if (pfnVersion == nullptr) {
        platform::CloseModule(hModule);
        return 0;
    }
    if (pfnVersion() != LG_VERSION) {
        std::string strText = nMsgId != -1 ? LoadResString(nMsgId) : std::string();
        ShowNotice(strText.empty() ? WRONG_VERSION_TEXT : strText);
        platform::CloseModule(hModule);
        return 0;
    }
    m_hLangDll = hModule;
    m_hOldResource = SetResourceModule(hModule);
    if (g_pApp != nullptr) {
        std::string strName = LoadResString(IDS_SOURCE_NAME);
        if (!strName.empty()) {
            if (!g_pApp->m_strAppName.empty()) m_strOldAppName = g_pApp->m_strAppName;
            g_pApp->m_strAppName = strName;
        }
    }
    return 1;
}

void CLanguageModule::ShowNotice(const std::string& strText) {
    bool bNamed = g_pApp != nullptr && !g_pApp->m_strAppName.empty();
    platform::ShowNotice(bNamed ? g_pApp->m_strAppName : LoadResString(IDS_SOURCE_NAME), strText);
}

void CLanguageModule::Restore(int bRestoreResources, int bRestoreHelp) {
    if (bRestoreResources && m_hLangDll != nullptr) {
        // The module's own table counts as a saved resource module too: null stands for it.
        SetResourceModule(m_hOldResource);
        m_hOldResource = nullptr;
        if (!m_strOldAppName.empty() && g_pApp != nullptr) g_pApp->m_strAppName = m_strOldAppName;
        m_strOldAppName.clear();
        platform::CloseModule(m_hLangDll);
        m_hLangDll = nullptr;
    }
    if (bRestoreHelp && !m_strOldHelpPath.empty()) {
        if (g_pApp != nullptr && !g_pApp->m_strHelpPath.empty()) {
            g_pApp->m_strHelpPath = m_strOldHelpPath;
        }
        m_strOldHelpPath.clear();
    }
}
