// BenchData: reproducible contents for the download benchmarks: text that compresses like mail
// and documents do, bytes that do not compress at all (photos, archives), and a mix of both.
// Thread contract: pure functions; callable from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

enum class Content { Text, Random, Mixed };

std::string makeContent(Content kind, std::size_t size, unsigned seed);

// Runs a program with standard output sent to `output` (a file name) and waits; true when it
// exited with status 0.
bool runProgram(const std::vector<std::string>& arguments, const std::string& output);

} // namespace bench
