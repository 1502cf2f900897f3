// Whether a file that looks unchanged by its size and time differs from its copy in what else a
// copy keeps: its extended attributes and ACLs.
#pragma once

#include "job.h"
#include "tree_walk.h"

namespace pvw {

// True when the pair's files have the same kind, size and time but not the same extended
// attributes and ACLs. A change of those moves the source's change time, so only a source
// changed no earlier than its copy is read; an unchanged tree costs no call per file. A failure
// to read them is reported, and counts as no difference.
bool OnlyExtrasDiffer(CJob& job, const CPair& pair);

}  // namespace pvw
