// DialogTitles: the file dialogs' titles in the user's language. Only Simplified and Traditional
// Chinese have their own texts; every other language gets the English ones.
//
// Thread contract: pure functions of the environment; callable from any thread as long as nobody
// changes the environment at the same time.
#pragma once

#include <string>

namespace NVPlatform {

// 1 for a zh_CN locale, 2 for zh_TW or zh_HK, 0 for anything else. The locale is the first
// non-empty one of LC_ALL, LC_MESSAGES and LANG, the order in which the C library looks for the
// language of messages.
int localeTitleIndex();

// "Open files", "选择文件" or "選擇文檔" (UTF-8).
std::string openFilesTitle();
// "Save file", "保存文件" or "保存文檔" (UTF-8).
std::string saveFileTitle();

} // namespace NVPlatform
