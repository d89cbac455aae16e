// The framework's log calls. They discard their output on purpose: the only log a user can see is
// the browser host's optional console log. Callable from any thread.
#pragma once

#include <string>

namespace FB::Log {

inline void initLogging() {}
inline void stopLogging() {}
inline void trace(const std::string& /*logger*/, const std::string& /*message*/) {}
inline void debug(const std::string& /*logger*/, const std::string& /*message*/) {}
inline void info(const std::string& /*logger*/, const std::string& /*message*/) {}
inline void warn(const std::string& /*logger*/, const std::string& /*message*/) {}
inline void error(const std::string& /*logger*/, const std::string& /*message*/) {}
inline void fatal(const std::string& /*logger*/, const std::string& /*message*/) {}

} // namespace FB::Log
