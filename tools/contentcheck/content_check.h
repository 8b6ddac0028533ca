// The checks a content folder passes before an installer is built of it:
// every script compiles, every layout parses and names only known elements
// and attributes, every payload entry a script or the product file names
// exists with that exact case, and the product file is complete. Each problem
// is told as "file:line: what is wrong: what to do", the file relative to the
// content folder. Window-free: the build machine runs it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kavri::content {

struct Problem {
  std::string file;   // relative to the content folder, with '/'
  int line = 0;       // 0 when the problem concerns the file as a whole
  std::string text;   // "what is wrong: what to do"
};

// "file:line: text" (without ":line" for line 0).
std::string describe(const Problem& problem);

// Every problem of the content folder, in the order: product file, scripts,
// layouts, entry names; files in name order. Empty when it is fine.
std::vector<Problem> checkContentFolder(const std::filesystem::path& folder);

// The parts, for tests and reuse: the problems of one script's text, of one
// layout's text, and the payload entry names a script's text mentions in
// another case than the payload's (`entries` with '/' separators).
std::vector<Problem> checkScript(const std::string& file, const std::string& text);
std::vector<Problem> checkLayout(const std::string& file, std::string text);
std::vector<Problem> checkEntryNames(const std::string& file, const std::string& text,
                                     const std::vector<std::string>& entries);

}  // namespace kavri::content
