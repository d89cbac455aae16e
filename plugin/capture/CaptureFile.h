// Where screenshots and clipboard images go: a new name for every call in the user's temporary
// folder, and the check that what appeared there is the companion's own new file. The companion
// creates the file itself and refuses a name that already exists; the check makes sure nobody
// slipped a link or a file of their own in under the name in the meantime.
#pragma once

#include <string>

namespace NVCapture {

// "NVCapture" + a random unique identifier + ".png" in TMPDIR (an absolute folder), else /tmp.
// Nothing is created. Empty when no unguessable name can be made.
std::string newCapturePath();

// True when path is a regular file (not a link) owned by this user, with one name and some bytes.
bool isOwnNewFile(const std::string& path);

} // namespace NVCapture
