#pragma once
// Reports kept for the test to read.

#include <string>
#include <vector>

#include "app/reports.h"

namespace keblor::test {

class FakeReports : public Reports {
 public:
  std::vector<std::string> lines;
  std::vector<std::string> boxes;  // "text|caption"
  void Line(const std::string& text) override { lines.push_back(text); }
  void Box(const std::string& text, const std::string& caption) override { boxes.push_back(text + "|" + caption); }
};

}  // namespace keblor::test
