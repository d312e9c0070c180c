#pragma once

#include "store/IssueGaps.h"

#include <QString>

namespace corvinel {

class Session;

// The holes of the session's history (the selected game's).
GapReport historyGaps(Session& session);
// "缺N期，共M处（...）" for the status bar and the import's message; empty
// when nothing is missing.
QString missingIssuesNote(Session& session);

} // namespace corvinel
