#pragma once
#include <QString>

// Case-sensitive pattern match of the whole text: "*" any run of characters,
// "?" one character, "#" one digit, "[abc]" / "[a-z]" one character of the
// list, "[!abc]" one character not in it. An unclosed "[" is an ordinary
// character. Time grows with text length times pattern length, never worse.
bool WildcardMatch(const QString &text, const QString &pattern);
