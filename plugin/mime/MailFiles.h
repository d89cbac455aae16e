// MailFiles: how the mail message object names, creates, writes and reads its files. Attachment
// names and contents come from the internet and temporary folders are shared, so names are cut to
// their last component and temporary files are created exclusively, readable by the user alone.
//
// Thread contract: free functions without shared state; callable from any thread. Failures leave
// errno set; none of them throws except std::bad_alloc.
#pragma once

#include <memory>
#include <string>

namespace MailFiles {

// The part of an attachment's file name after its last "/"; empty when that part is empty, "."
// or "..", so that no name can lead out of the folder it is saved in.
std::string finalComponent(const std::string& name);

// The wide form of a file name read from a mail: UTF-8, or else GB 18030 (which older Chinese
// mail clients send raw). Empty when it is neither.
std::wstring wideName(const std::string& name);

// Creates the file for writing with mode 0600. `exclusive`: the path must not exist yet, not even
// as a dangling link; otherwise an existing file is truncated (the user chose the path). Returns
// the descriptor or -1.
int createFile(const std::wstring& path, bool exclusive);

// A new file in the temporary folder, named "Mime" + unique letters + `suffix`, created
// exclusively; its path in `path` and its descriptor as the result, or -1 with `path` empty.
int createTemporaryFile(const std::wstring& suffix, std::wstring& path);

// Deletes the file; failures are ignored (errno is kept).
void removeFile(const std::wstring& path);

// Writes every byte, repeating partial writes. False on a write error.
bool writeAll(int fd, const char* data, size_t size);

// The largest file an attachment may hold: its Base64 form, line breaks included, must still be
// counted by the MIME library's int lengths.
constexpr long long kMaxAttachmentSize = (0x7FFFFFFFLL - 64) / 78 * 57;

// The whole content of a file: `size` bytes followed by a NUL, as a MIME body takes it over.
struct FileData {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
};

// Reads the whole file at `path` into `data`. A file that cannot be opened reads as empty with
// true; a read error, or a file above kMaxAttachmentSize (errno EFBIG), gives false and no data.
bool readWholeFile(const std::wstring& path, FileData& data);

} // namespace MailFiles
