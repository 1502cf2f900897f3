// Finding an action in the actions file.
#include "action_file.h"

#include <string_view>

#include "config_files.h"
#include "family/qjenv.h"
#include "ini_text.h"
#include "plain_text.h"

namespace qjact {

namespace {

// An actions file is a handful of short sections; anything larger is not one.
constexpr std::size_t MAX_ACTIONS_FILE = 1024 * 1024;
// Room for the path that the environment module names.
constexpr int MAX_PATH_TEXT = 4096;

using qjcommon::EqualsNoCase;

// Sets the entry's field for a key of the section; other keys are left for other readers.
void TakeKey(std::string_view key, std::string_view value, CActionEntry& entry) {
    if (EqualsNoCase(key, "Program")) entry.strProgram = value;
    if (EqualsNoCase(key, "Arguments")) entry.strArguments = value;
    if (EqualsNoCase(key, "Directory")) entry.strDirectory = value;
}

}  // namespace

std::string ActionsFilePath() {
    char szPath[MAX_PATH_TEXT + 1] = {};
    if (PVEnvGet("QJActions", szPath, MAX_PATH_TEXT) != 0 && szPath[0] != '\0') {
        szPath[MAX_PATH_TEXT] = '\0';
        return szPath;
    }
    return qjcommon::BesideEnvStore("actions.ini");
}

bool FindAction(const std::string& strText, const std::string& strId, CActionEntry& entry) {
    bool bFound = false;  // inside the id's section
    qjcommon::ReadIni(strText, [&](const qjcommon::CIniLine& line) {
        if (line.nKind == qjcommon::EIniLine::Section) {
            if (bFound) return false;  // the first section of an id is the one that counts
            bFound = EqualsNoCase(line.section, strId);
        } else if (bFound && line.nKind == qjcommon::EIniLine::Entry) {
            TakeKey(line.name, line.value, entry);
        }
        return true;
    });
    return bFound;
}

bool LoadAction(const std::string& strId, CActionEntry& entry, std::string& strReason) {
    std::string strPath = ActionsFilePath();
    if (strPath.empty()) {
        strReason = "no actions file can be named (neither QJActions nor a configuration folder)";
        return false;
    }
    std::string strText;
    std::string strWhy;
    if (!qjcommon::ReadSmallFile(strPath, MAX_ACTIONS_FILE, strText, strWhy)) {
        strReason = "cannot read the actions file \"" + strPath + "\": " + strWhy;
        return false;
    }
    if (!FindAction(strText, strId, entry)) {
        strReason = "no action \"" + strId + "\" in \"" + strPath + "\"";
        return false;
    }
    if (entry.strProgram.empty()) {
        strReason = "action \"" + strId + "\" in \"" + strPath + "\" names no Program";
        return false;
    }
    return true;
}

}  // namespace qjact
