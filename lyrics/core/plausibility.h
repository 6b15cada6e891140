#pragma once
#include <QStringView>

namespace textdecoding {
// How much text looks like words of one language: higher is more plausible.
// Only comparable between decodings of the same bytes.
qint64 plausibility(QStringView text);
}
