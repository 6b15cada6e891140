#include "lyrics/core/plausibility.h"
#include "lyrics/core/scripttables.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <bit>

namespace textdecoding {
namespace {

// Writing systems: a wrong decoding scatters letters over several of them.
enum System { Latin, Cyrillic, Greek, Hebrew, Arabic, Thai, Han, Kana, Hangul, OtherScript, SystemCount };

constexpr int replacementCost = 30;   // bytes that are not text in this encoding
constexpr int controlCost = 30;
constexpr int unassignedCost = 20;
constexpr int oddSignCost = 4;
constexpr int mixedCaseCost = 5;
constexpr int foreignLetterCost = 6;
constexpr int mixedScriptCost = 6;
constexpr int foreignAccentCost = 4;

System systemOf(char32_t c)
{
    switch (QChar::script(c)) {
    case QChar::Script_Latin: return Latin;
    case QChar::Script_Cyrillic: return Cyrillic;
    case QChar::Script_Greek: return Greek;
    case QChar::Script_Hebrew: return Hebrew;
    case QChar::Script_Arabic: return Arabic;
    case QChar::Script_Thai: return Thai;
    case QChar::Script_Han: return Han;
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana: return Kana;
    case QChar::Script_Hangul: return Hangul;
    default: return OtherScript;
    }
}

// Whether letters of the two systems may stand in one word.
bool sameWord(System a, System b)
{
    const auto eastAsian = [](System s) { return s == Han || s == Kana || s == Hangul; };
    return a == b || a == OtherScript || b == OtherScript || (eastAsian(a) && eastAsian(b));
}

struct Tally {
    qint64 points = 0;
    std::array<qint64, SystemCount> letters{};
    std::array<qint64, 32> accents{};   // non-ASCII Latin letters per language
    qint64 latinAccents = 0;

    void letter(char32_t c, char32_t prev)
    {
        const System s = systemOf(c);
        if (c >= 0x80 && s == OtherScript) {   // modifier signs such as the kana length mark
            points -= usualSign(c) ? 0 : oddSignCost;
            return;
        }
        points += (s == Han || s == Kana || s == Hangul) && c < 0xFF61 ? 2 : 1;   // a point per byte, about
        if (QChar::isLower(prev) && QChar::isUpper(c))
            points -= mixedCaseCost;
        if (QChar::isLetter(prev) && !sameWord(systemOf(prev), s))
            points -= mixedScriptCost;
        if (c < 0x80)
            return;
        const char32_t lower = QChar::toLower(c);
        points += commonBonus(lower);
        if (lower < 0x80)
            return;
        ++letters[s];
        if (s != Latin)
            return;
        ++latinAccents;
        for (quint32 bits = latinLanguages(lower); bits; bits &= bits - 1)
            ++accents[std::countr_zero(bits)];
    }

    void mark(char32_t prev)
    {
        const System s = systemOf(prev);
        if (!QChar::isLetter(prev) || !(s == Hebrew || s == Arabic || s == Thai || s == Latin))
            points -= oddSignCost;
    }

    void add(char32_t c, char32_t prev)
    {
        if (c == QChar::ReplacementCharacter) {
            points -= replacementCost;
            return;
        }
        switch (QChar::category(c)) {
        case QChar::Other_Control: points -= (c == '\t' || c == '\n' || c == '\r') ? 0 : controlCost; break;
        case QChar::Other_NotAssigned:
        case QChar::Other_PrivateUse:
        case QChar::Other_Surrogate: points -= unassignedCost; break;
        case QChar::Other_Format: points -= 2; break;
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing: mark(prev); break;
        case QChar::Number_DecimalDigit:
        case QChar::Separator_Space:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph: break;
        default:
            if (QChar::isLetter(c))
                letter(c, prev);
            else if (!usualSign(c))
                points -= oddSignCost;
        }
    }

    // Letters outside the text's main writing system, and accents outside its main language.
    qint64 inconsistency() const
    {
        const qint64 han = letters[Han];
        std::array<qint64, SystemCount> own = letters;
        own[Han] = 0;
        if (letters[Kana] > 0)
            own[Kana] += han;
        if (letters[Hangul] > 0)
            own[Hangul] += han;
        own[Han] = letters[Kana] == 0 && letters[Hangul] == 0 ? han : 0;
        qint64 all = 0;
        for (qint64 n : letters)
            all += n;
        const qint64 main = *std::max_element(own.begin(), own.end());
        const qint64 language = *std::max_element(accents.begin(), accents.end());
        return foreignLetterCost * (all - main) + foreignAccentCost * (latinAccents - language);
    }
};

}   // namespace

qint64 plausibility(QStringView text)
{
    Tally t;
    char32_t prev = ' ';
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        t.add(c, prev);
        prev = c;
    }
    return t.points - t.inconsistency();
}

}
