// The clipboard's PNG exactly as its owner offers it under "image/png" (large images arrive in
// pieces; Qt puts them together). Qt gives up on an owner that does not answer within a few
// seconds. Needs a QGuiApplication.
#pragma once

#include <QByteArray>

// Empty when the clipboard offers no "image/png" or its owner did not answer.
QByteArray clipboardPng();
