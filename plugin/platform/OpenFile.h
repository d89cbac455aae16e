// OpenFile: hands a file to the desktop, which opens it with the user's default application.
//
// Thread contract: callable from any thread; no shared state.
#pragma once

#include <string>

// Starts xdg-open (Debian package xdg-utils) for `path` and returns without waiting for it or
// for the application. Failures (no xdg-open, a path that is not valid text) are silent: there is
// no one to report them to. Doesn't throw.
void openFileInWindow(const std::wstring& path);
