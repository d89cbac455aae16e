// The text a failing call leaves for the page, so that a test compares an error text in one line.
// Any thread.
#pragma once

#include <functional>
#include <string>
#include <thread>

#include "src/ScriptingCore/script_error.h"

namespace nvtest {

// What the E thrown by `call` says, or "<no error>" when it returns.
template <class E = FB::script_error> std::string errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const E& e) {
        return e.what();
    }
    return "<no error>";
}

// The same for a call made on a worker thread of its own, joined before this returns.
template <class E = FB::script_error> std::string errorOnWorker(const std::function<void()>& call) {
    std::string error;
    std::thread([&] { error = errorOf<E>(call); }).join();
    return error;
}

} // namespace nvtest
