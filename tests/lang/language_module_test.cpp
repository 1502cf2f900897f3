// The language search on real language homes in a temporary folder, with small language
// modules of several versions; keys reach it through the real environment module.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "doubles/family_double.h"
#include "host/app.h"
#include "res/strings.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using family_double::g_log;

namespace {
constexpr char BASE[] = "libQJIntp32";
constexpr char WRONG_VERSION[] =
    "The language file is the wrong version - now using default language.\n"
    "Please download the current language file.";
constexpr char NOT_PLAIN[] =
    "The language name is not a plain name - now using default language.\n"
    "A language name holds letters, digits, '-', '_' and '.', and no \"..\".";
constexpr char OWN_UNKNOWN_IDENT[] = "Unknown identifier";
constexpr char TEST_UNKNOWN_IDENT[] = "Unbekannter Bezeichner (Test)";
constexpr char GARBAGE[] = QJ_SOURCE_DIR "/tests/lang/run_translated.sh";
constexpr char CFG[] = "[LG]\nExtension = so\n";

class LanguageModuleTest : public testing::Test {
protected:
    void SetUp() override {
        for (CEnvGuard* pKey : {&m_lang, &m_admin, &m_home, &m_chome}) pKey->Set("");
        family_double::Reset();
    }
    // Puts a language module and its configuration file into dir/sub/lang.
    fs::path Install(const std::string& strDir, const char* pszSub, const char* pszModule,
                     const char* pszCfg = CFG) const {
        fs::path lg = m_dir / strDir / pszSub;
        fs::create_directories(lg / "de" / "res");
        std::ofstream(lg / "de.cfg") << pszCfg;
        fs::copy_file(pszModule, lg / "de" / "res" / (std::string(BASE) + ".so"));
        return lg;
    }
    std::string Home(const char* pszName) const { return (m_dir / pszName).string(); }

    const CTempDir m_temp{"qjlangtest"};
    const fs::path& m_dir = m_temp.Path();
    CEnvGuard m_store{"QJ_ENV_FILE", m_temp / "no-store.ini"};
    CEnvGuard m_lang{"QJLg"};
    CEnvGuard m_admin{"QJLGAdmin"};
    CEnvGuard m_home{"QJHome"};
    CEnvGuard m_chome{"QJCHome"};
};

// A row's module, when it names one, is installed into its home's system/lg first. The planted
// module of the right version lies outside every language home: only a name that climbs out of
// home/system/lg reaches it, and loading it would write the marker.
TEST_F(LanguageModuleTest, APlainNameOfVersionThreeIsTakenFromTheHomesInTheirOrder) {
    Install("home", "system/lg", QJ_TEST_LANG_v3);
    Install("chome", "bin/lg", QJ_TEST_LANG_v4);
    Install("chome3", "bin/lg", QJ_TEST_LANG_v3);
    Install("planted", "x", QJ_TEST_LANG_planted);
    const fs::path marker = m_dir / "marker";
    CEnvGuard markerKey{"QJ_TEST_LG_MARKER", marker.string()};
    const struct {
        const char* pszLang;
        const char* pszHome;
        const char* pszCHome;
        int nResult;
        const char* pszNotice = nullptr;
        const char* pszModule = nullptr;  // installed into the home's system/lg first
        const char* pszCfg = CFG;
        int nMsgId = -1;
    } kCases[] = {
        {"de", "home", "chome", 1},             // QJHome before QJCHome
        {"de", "", "chome", 0, WRONG_VERSION},  // QJCHome when QJHome is empty
        {"de", "", "chome3", 1},
        {"de", "nowhere", "chome3", 1},  // QJCHome when QJHome lacks the language
        {"de", "", "", 0},               // both empty: no search
        {"", "home", "chome", 0},        // no language
        {"fr", "home", "chome", 0},      // a language nobody installed
        {"de", "v2", "", 0, WRONG_VERSION, QJ_TEST_LANG_v2},
        {"de", "v4", "", 0, WRONG_VERSION, QJ_TEST_LANG_v4, "[lg]\nextension=so\n"},
        {"de", "v4msg", "", 0, "Parameter", QJ_TEST_LANG_v4, CFG, 103},
        {"de", "none", "", 0, nullptr, QJ_TEST_LANG_none},
        {"de", "garbage", "", 0, nullptr, GARBAGE},  // a file that is no module
        // no Extension in the section [LG]: the path ends in "."
        {"de", "other", "", 0, nullptr, QJ_TEST_LANG_v3, "[Other]\nExtension=so\n"},
        {"de", "txt", "", 0, nullptr, QJ_TEST_LANG_v3, "[LG]\nExtension=txt\n"},
        {"../../../planted/x/de", "home", "", 0, NOT_PLAIN},
        {"de/../de", "home", "", 0, NOT_PLAIN},
        {"de\\de", "home", "", 0, NOT_PLAIN},
        {".de", "home", "", 0, NOT_PLAIN},
        {"d:e", "home", "", 0, NOT_PLAIN},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.pszLang) + " " + c.pszHome + " " + c.pszCHome);
        if (c.pszModule) Install(c.pszHome, "system/lg", c.pszModule, c.pszCfg);
        m_lang.Set(c.pszLang);
        m_home.Set(*c.pszHome ? Home(c.pszHome) : "");
        m_chome.Set(*c.pszCHome ? Home(c.pszCHome) : "");
        g_log.clear();
        CLanguageModule language;
        EXPECT_EQ(language.Load(0, BASE, c.nMsgId), c.nResult);
        ASSERT_EQ(g_log.size(), c.pszNotice ? 1u : 0u);
        if (c.pszNotice) {
            EXPECT_EQ(g_log[0].strText, c.pszNotice);
        }
        EXPECT_STREQ(FindResString(6), c.nResult ? TEST_UNKNOWN_IDENT : OWN_UNKNOWN_IDENT);
    }
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_STREQ(FindResString(6), OWN_UNKNOWN_IDENT);  // every module undone at its end
    // The administrator language has a key of its own, without a fallback to QJLg.
    m_lang.Set("de");
    m_home.Set(Home("home"));
    CLanguageModule language;
    EXPECT_EQ(language.Load(1, BASE, -1), 0);
    m_admin.Set("de");
    EXPECT_EQ(language.Load(1, BASE, -1), 1);
}

TEST_F(LanguageModuleTest, TextsTheModuleLacksComeFromTheOwnTable) {
    fs::path lg = Install("home", "system/lg", QJ_TEST_LANG_v3);
    fs::create_directories(lg / "de" / "help");
    std::ofstream(lg / "de" / "help" / (std::string(BASE) + ".hlp")) << "help";
    m_lang.Set("de");
    m_home.Set(Home("home"));
    CScriptDllApp app{"Own name", "own.hlp", {}};
    g_pApp = &app;
    ASSERT_EQ(app.m_language.Load(0, BASE, -1), 1);
    EXPECT_STREQ(FindResString(6), TEST_UNKNOWN_IDENT);
    EXPECT_STREQ(FindResString(5), "Invalid identifier");  // lacking in the module
    // A translation whose conversions differ would read arguments that are not there.
    EXPECT_STREQ(FindResString(101), "'%s' start script processing - %s");
    EXPECT_EQ(app.m_strAppName, "Test-DLL");
    EXPECT_EQ(app.m_strHelpPath, (lg / "de" / "help" / (std::string(BASE) + ".hlp")).string());
    app.m_language.Restore(1, 1);
    EXPECT_STREQ(FindResString(6), OWN_UNKNOWN_IDENT);
    EXPECT_EQ(app.m_strAppName, "Own name");
    EXPECT_EQ(app.m_strHelpPath, "own.hlp");
    g_pApp = nullptr;
}
}  // namespace
