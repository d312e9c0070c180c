#pragma once

namespace corvinel {

// A named point where a process may be held, so that a test can run a
// second process exactly inside a window (between a read and its write, say)
// instead of hoping to hit it. With CORVINEL_PAUSE_AT set to the point's
// name and CORVINEL_PAUSE_DIR to a folder, the process creates
// "<dir>/<name>.reached" there and waits until "<dir>/<name>.go" exists (at
// most a minute). Without the variables it costs one environment lookup.
void pausePoint(const char* name);

} // namespace corvinel
