#pragma once

#include "analysis/Trend.h"
#include "store/DrawNumbers.h"

#include <cstdint>
#include <vector>

namespace corvinel {

class Session;

// The trend chart's data for the window and the command line: the stored
// draws (issue and numbers only), loaded when first asked for and again after
// the history changed, and the table computed over them with the session's
// segment base.
class TrendSource
{
public:
    explicit TrendSource(Session& session);

    // The trend for `last`, `kind` and `position` (0 = whole draw). Fails with
    // the engine's reason (N below 1, position outside 1..8, empty history) or
    // when the history cannot be read.
    TrendResult compute(int last, int kind, int position);

    // Forget the loaded draws; the next compute() reads them again.
    void invalidate() { m_loaded = false; }
    int drawCount() const { return static_cast<int>(m_draws.size()); }

private:
    bool ensureLoaded(QString* error);

    Session& m_session;
    std::vector<DrawNumbers> m_draws;
    bool m_loaded = false;
    std::uint64_t m_version = 0;
};

} // namespace corvinel
