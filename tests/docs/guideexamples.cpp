#include "guideexamples.hpp"

#include "files.hpp"

#include <sstream>
#include <stdexcept>

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

bool isFence(const std::string& line) { return line.rfind("```", 0) == 0; }

// "<!-- beispiel-KIND REST -->" gives KIND and REST.
bool readMarker(const std::string& line, std::string& kind, std::string& rest) {
    const std::string open = "<!-- beispiel-";
    const std::string close = " -->";
    if (line.rfind(open, 0) != 0 || line.size() < open.size() + close.size() ||
        line.compare(line.size() - close.size(), close.size(), close) != 0) {
        return false;
    }
    std::string inner = line.substr(open.size(), line.size() - open.size() - close.size());
    std::size_t blank = inner.find(' ');
    kind = inner.substr(0, blank);
    rest = blank == std::string::npos ? std::string() : inner.substr(blank + 1);
    return true;
}

GuideExample exampleFor(const std::string& kind, const std::string& rest, int line) {
    GuideExample example{ExampleKind::File, {}, std::nullopt, {}, line};
    if (kind == "datei") {
        example.name = rest;
    } else if (kind == "befehl") {
        example.kind = ExampleKind::Command;
    } else if (kind == "ausgabe") {
        example.kind = ExampleKind::Output;
        if (rest.rfind("rc=", 0) == 0) example.exitCode = std::stoi(rest.substr(3));
    } else if (kind == "ergebnis") {
        example.kind = ExampleKind::Result;
        example.name = rest;
    } else {
        throw std::runtime_error("unknown example marker in line " + std::to_string(line));
    }
    return example;
}

} // namespace

std::filesystem::path repositoryRoot() {
    // This file lives in tests/docs/.
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

std::string guideText() { return readFile(repositoryRoot() / "docs" / "ANLEITUNG.md"); }

std::vector<GuideExample> guideExamples(const std::string& markdown) {
    std::vector<std::string> lines = linesOf(markdown);
    std::vector<GuideExample> examples;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string kind, rest;
        if (!readMarker(lines[i], kind, rest)) continue;
        const int markerLine = static_cast<int>(i) + 1;
        if (i + 1 >= lines.size() || !isFence(lines[i + 1])) {
            throw std::runtime_error("no fenced block after the marker in line " + std::to_string(markerLine));
        }
        GuideExample example = exampleFor(kind, rest, markerLine);
        std::size_t j = i + 2;
        for (; j < lines.size() && !isFence(lines[j]); ++j) example.body += lines[j] + "\n";
        examples.push_back(example);
        i = j;
    }
    return examples;
}

std::vector<FencedBlock> fencedBlocks(const std::string& markdown) {
    std::vector<std::string> lines = linesOf(markdown);
    std::vector<FencedBlock> blocks;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!isFence(lines[i])) continue;
        std::string kind, rest;
        blocks.push_back({lines[i].substr(3), i > 0 && readMarker(lines[i - 1], kind, rest),
                          static_cast<int>(i) + 1});
        while (++i < lines.size() && !isFence(lines[i])) {
        }
    }
    return blocks;
}

std::string withCrLf(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (c == '\n') result += '\r';
        result += c;
    }
    return result;
}
