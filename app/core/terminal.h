#pragma once
#include <QByteArray>
#include <QStringView>

// Messages for whoever started the program, on stderr.

// The text as one line of UTF-8, without a line end: line breaks show as \n
// and \r, tabs as \t, other control characters and text-direction overrides
// as \xHH or \uHHHH, so a file name can neither break the line nor command
// the terminal. A lone surrogate (a name that was not valid text) shows as \uHHHH.
QByteArray terminalLine(QStringView text);

// "prefix: text" made one line, with its line end, in a single write; with an
// empty prefix, the text alone.
void tellTerminal(QStringView text, QStringView prefix = u"lyrabox");
