#include "components/core/wildcard.h"
#include <cstdint>
#include <vector>

namespace {

// One compiled pattern step. Every step but AnyRun takes exactly one
// character, which is what lets the matcher below avoid backtracking trees.
struct Step {
    enum Kind { AnyRun, AnyOne, Digit, Literal, Set } kind = Literal;
    char32_t ch = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool takes(char32_t c) const
    {
        switch (kind) {
        case AnyOne: return true;
        case Digit: return c >= U'0' && c <= U'9';
        case Literal: return c == ch;
        case Set: {
            bool in = false;
            for (const auto &[lo, hi] : ranges)
                if (c >= lo && c <= hi) {
                    in = true;
                    break;
                }
            return in != negated;
        }
        case AnyRun: break;
        }
        return false;
    }
};

std::vector<Step> compile(const std::u32string &p)
{
    std::vector<Step> steps;
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        Step s;
        if (c == U'*') {
            if (!steps.empty() && steps.back().kind == Step::AnyRun)
                continue;   // "**" is "*"
            s.kind = Step::AnyRun;
        } else if (c == U'?') {
            s.kind = Step::AnyOne;
        } else if (c == U'#') {
            s.kind = Step::Digit;
        } else if (c == U'[') {
            const size_t close = p.find(U']', i + 1);
            if (close == std::u32string::npos) {
                s.ch = c;   // no closing bracket: a plain "["
            } else {
                size_t j = i + 1;
                if (j < close && p[j] == U'!') {
                    s.negated = true;
                    ++j;
                }
                if (j == close && !s.negated) {
                    i = close;   // "[]" stands for no character at all
                    continue;
                }
                s.kind = Step::Set;
                while (j < close) {
                    const char32_t lo = p[j];
                    // "-" first or last in the list is itself.
                    if (j + 2 < close && p[j + 1] == U'-') {
                        const char32_t hi = p[j + 2];
                        if (lo <= hi)
                            s.ranges.emplace_back(lo, hi);
                        j += 3;   // a falling range such as z-a takes nothing
                    } else {
                        s.ranges.emplace_back(lo, lo);
                        ++j;
                    }
                }
                i = close;
            }
        } else {
            s.ch = c;
        }
        steps.push_back(std::move(s));
    }
    return steps;
}

}   // namespace

bool WildcardMatch(const QString &text, const QString &pattern)
{
    const std::u32string t = text.toStdU32String();
    const std::vector<Step> steps = compile(pattern.toStdU32String());

    // Greedy scan that remembers only the latest "*": since every other step
    // takes one character, retrying from the latest star is enough.
    size_t ti = 0, si = 0;
    size_t starStep = SIZE_MAX, starText = 0;
    while (ti < t.size()) {
        if (si < steps.size() && steps[si].kind == Step::AnyRun) {
            starStep = si++;
            starText = ti;
        } else if (si < steps.size() && steps[si].takes(t[ti])) {
            ++si;
            ++ti;
        } else if (starStep != SIZE_MAX) {
            si = starStep + 1;
            ti = ++starText;
        } else {
            return false;
        }
    }
    while (si < steps.size() && steps[si].kind == Step::AnyRun)
        ++si;
    return si == steps.size();
}
