// The action module's trace lines: one line per action acted on, through the trace module.
#pragma once

#include <string>

namespace qjact {

// Sends the line "<what>: <text>" to the trace module.
void TraceLine(const std::string& strWhat, const std::string& strText);

}  // namespace qjact
