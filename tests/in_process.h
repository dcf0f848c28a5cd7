// scenarioc and the one-shot program's compilation run inside the test
// program, so that their tests need no process and no shell and run on
// Windows too.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct ToolRun {
  int status;
  std::string out, err;
};

// `scenarioc ARGS` run in this process, its standard output and error
// captured. With `temp`, the temporary directories it makes go there.
ToolRun scenarioc(const std::vector<std::string>& args,
                  const std::filesystem::path& temp = {});

// The files the one-shot program leaves (the three compiled files and the
// three sheets), made once by its own code: file name to bytes.
const std::map<std::string, std::string>& one_shot_files();

// `text` with each "{DIR}/" replaced by `dir` and the platform's separator,
// as scenarioc's messages name the files in `dir`.
std::string in_dir(std::string text, const std::filesystem::path& dir);

}  // namespace testing_support
