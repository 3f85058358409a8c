// Shared pieces of the fuzz targets: a private scratch directory, a quiet
// console, standard input at its end so that every pause returns at once,
// and a whole-file comparison that proves a run left its input alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Called once from LLVMFuzzerInitialize: the scratch directory, the console
// capture and standard input on /dev/null.
void prepareFuzzProcess();

// The scratch directory of this process (no trailing "/").
const std::string& scratchDirectory();

// Empties the scratch directory.
void clearScratch();

void writeWholeFile(const std::string& name, std::string_view bytes);
std::string readWholeFile(const std::string& name);
bool fileExists(const std::string& name);

// Splits text at blanks into words (empty words dropped, at most limit).
std::vector<std::string> wordsOf(std::string_view text, std::size_t limit);

// An argv of program, then the given arguments; the pointers stay valid while args lives.
std::vector<char*> argvOf(std::vector<std::string>& args);

// Ends the process with a message a fuzzer shows as a crash.
[[noreturn]] void fuzzFault(const char* what);
