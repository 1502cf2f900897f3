// ActIDRun with an actions file beside the environment store. A run by id, an id without
// output, an id the file lacks and GetParam are pinned by scripts/action-ids and
// scripts/param-drives-dismount.
#include <fstream>

#include "action_fixture.h"
#include "support/env_guard.h"

namespace {

class ActionFileTest : public ActionTest {
protected:
    void SetUp() override {
        ActionTest::SetUp();
        std::ofstream(m_dir / "actions.ini")
            << "; one action, its lines ended by CR LF\r\n"
               "[Greet]\r\n"
               "Program = sh\r\n"
               "Arguments = -c 'echo \"$0 $1 $QJ_ACTION_EXTRA\"; pwd' first\r\n"
               "Directory = /\r\n";
    }

    CEnvGuard m_envFile{"QJ_ENV_FILE", (m_dir / "env.ini").string()};
};

struct IdCase {
    const char* pszName;
    const char* pszId;
    const char* pszArgs;
    const char* pszDir;
    const char* pszExtra;
    int nResult;
    const char* pszOutput;
    const char* pszTrace;
};

const IdCase s_aIdCases[] = {
    {"arguments_after_the_files", "Greet", "second", nullptr, "more", 3, "first second more\n/",
     "ActIDRun \"Greet\" (\"sh\"): exited with status 0"},
    {"id_without_case_and_own_directory", "greet", "'2 words'", "/usr", nullptr, 3,
     "first 2 words \n/usr", "exited with status 0"},
    {"no_id", nullptr, "", nullptr, nullptr, 0, "", "not started: no action id given"},
};

class IdCases : public ActionFileTest, public ::testing::WithParamInterface<IdCase> {};

TEST_P(IdCases, RunsTheActionOfTheId) {
    const IdCase& c = GetParam();
    EXPECT_EQ(m_action.ActIDRun(c.pszId, 0, c.pszArgs, c.pszDir, 1, m_szOut, 5000, c.pszExtra),
              c.nResult);
    EXPECT_STREQ(m_szOut, c.pszOutput);
    EXPECT_NE(NewTrace().find(c.pszTrace), std::string::npos) << NewTrace();
}

INSTANTIATE_TEST_SUITE_P(ActIDRun, IdCases, ::testing::ValuesIn(s_aIdCases), CaseName);

TEST_F(ActionFileTest, MissingFileIsNamedWithTheSystemsReason) {
    std::filesystem::remove(m_dir / "actions.ini");
    EXPECT_EQ(m_action.ActIDRun("Greet", 0, "", nullptr, 1, m_szOut, 0, nullptr), 0);
    EXPECT_NE(NewTrace().find("cannot read the actions file \"" + (m_dir / "actions.ini").string() +
                              "\": No such file or directory"),
              std::string::npos);
}

}  // namespace
