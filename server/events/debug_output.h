#pragma once

// The debug output channel: diagnostic lines for whoever watches the process,
// never written to the log file. Off unless the environment variable
// KVT_DEBUG is "1" when the program starts, or setDebugOutput(true) is called.
// Lines go to standard error (converted from Windows-1252 to UTF-8 for the
// terminal), or to a sink installed with setDebugOutputSink.

#include <functional>
#include <string_view>

namespace kvt::events {

bool debugOutputEnabled();
void setDebugOutput(bool enabled);
// Receives the Windows-1252 lines instead of standard error; an empty function
// restores standard error.
void setDebugOutputSink(std::function<void(std::string_view)> sink);
// Writes one line when the channel is on.
void debugOutput(std::string_view line);

}  // namespace kvt::events
