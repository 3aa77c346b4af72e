// What a program may write for people and for scripts, checked from outside.
#pragma once

#include <string>

namespace fuzz {

// Text a terminal shows as it is: whole characters of the encoding (UTF-8, or code page
// 932 where utf8 is false), and no control character but the line ends LF and CR LF. In
// UTF-8 the C1 controls U+0080 to U+009F count as control characters too.
bool IsPlainText(const std::string& text, bool utf8);

// One JSON value in UTF-8, with nothing but white space around it.
bool IsJson(const std::string& text);

}  // namespace fuzz
