// The worked examples of the guide (docs/ANLEITUNG.md), read from the guide
// itself. An example is a fenced block right after a marker comment:
//   <!-- beispiel-datei NAME -->       the block is the file NAME (CR LF line ends)
//   <!-- beispiel-befehl -->           the block holds commands, one per line
//   <!-- beispiel-ausgabe [rc=N] -->   what the commands before it print (LF for CR LF,
//                                      bells left out) and, with rc=, their exit code
//   <!-- beispiel-ergebnis NAME -->    the file NAME as the commands before it left it
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

enum class ExampleKind { File, Command, Output, Result };

struct GuideExample {
    ExampleKind kind;
    std::string name;                // file name for File and Result
    std::optional<int> exitCode;     // for Output, when the marker gives one
    std::string body;                // the block's text, each line ended by "\n"
    int line = 0;                    // of the marker in the guide, for messages
};

struct FencedBlock {
    std::string info;    // what follows the opening fence ("sh", "text", "")
    bool marked = false; // a marker comment stands right before it
    int line = 0;
};

std::filesystem::path repositoryRoot();
std::string guideText();

std::vector<GuideExample> guideExamples(const std::string& markdown);
std::vector<FencedBlock> fencedBlocks(const std::string& markdown);

// LF line ends to CR LF, as the tools write and read them.
std::string withCrLf(const std::string& text);
