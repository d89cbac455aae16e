// The one way nvhost writes to stdout: one line per message, flushed at once so a runner reading
// the pipe sees each line as it happens and in order with the page's own lines. Main thread only.
#pragma once

class QString;

namespace nvhost {

// Writes `text` as one UTF-8 line; line breaks inside it are written as the two characters "\n" so
// one message never spans lines.
void printLine(const QString& text);

} // namespace nvhost
