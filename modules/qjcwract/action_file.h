// The actions file: an INI file with a section per action id, holding the keys Program,
// Arguments and Directory. Section and key names compare without regard to case.
#pragma once

#include <string>

namespace qjact {

struct CActionEntry {
    std::string strProgram;
    std::string strArguments;
    std::string strDirectory;
};

// The file named by the environment module's key "QJActions", else actions.ini beside the
// environment store. Empty when neither can be named.
std::string ActionsFilePath();

// Finds the section of an id in the text of an actions file.
bool FindAction(const std::string& strText, const std::string& strId, CActionEntry& entry);

// Reads the actions file and finds the id in it; false with the reason (naming the file).
bool LoadAction(const std::string& strId, CActionEntry& entry, std::string& strReason);

}  // namespace qjact
