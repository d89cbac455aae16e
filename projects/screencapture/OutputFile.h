// OutputFile: writes the finished PNG to the path the plug-in named. The file is made new: a name
// that already exists, as a file or as a link, is refused, so a file planted in the shared
// temporary folder is never written through.
#pragma once

#include <QByteArray>
#include <QString>

// True when every byte was written to a file created at path; a failed write leaves no file.
bool writeNewFile(const QString& path, const QByteArray& bytes);

// True when bytes begin with the PNG signature.
bool looksLikePng(const QByteArray& bytes);
