#pragma once
// Text for the caller of a program built without a console of its own. It goes to the standard
// output or error the program was started with when it has one (a pipe or a file), else to the
// console of the process that started it (a command prompt), attached on first use; with
// neither it is lost. Text in UTF-8; a console gets it as UTF-16.

#include <string_view>

namespace keblor {

enum class ParentStream { Output, Error };

void WriteToParent(ParentStream stream, std::string_view text);

}  // namespace keblor
