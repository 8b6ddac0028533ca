// contentcheck: checks an installer's content folder before it is built.
//
//   contentcheck CONTENT_DIR
//       every problem, one a line ("CONTENT_DIR/file:line: what is wrong:
//       what to do"); exit code 0 when there is none, 1 when there is any,
//       2 on a wrong command line
#include <filesystem>
#include <iostream>
#include <string>

#include "tools/contentcheck/content_check.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: contentcheck CONTENT_DIR\n";
    return 2;
  }
  const std::filesystem::path folder = std::filesystem::u8path(argv[1]);
  if (!std::filesystem::is_directory(folder)) {
    std::cerr << "contentcheck: " << argv[1] << " is no folder\n";
    return 2;
  }
  const auto problems = kavri::content::checkContentFolder(folder);
  std::string prefix = argv[1];
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  for (const auto& problem : problems) std::cout << prefix << "/" << kavri::content::describe(problem) << "\n";
  return problems.empty() ? 0 : 1;
}
