#include "lyrics/core/scripttables.h"

#include <QHash>
#include <QString>

namespace textdecoding {
namespace {

// The commonest letters of each alphabet, then characters frequent in song
// words of Chinese (both forms) and Japanese, and Korean syllables.
const char16_t cyrillic[] = u"оеаинтсрвлкмдпуяі";
const char16_t greek[] = u"αοετινσςκπρμλυηάέίόύώ";
const char16_t hebrew[] = u"יוהאלמבתנרשעכדק";
const char16_t latinAccents[] = u"áéíóúñüàâçèêëîïôûœäößãõąćęłńśźżčďěňřšťůýžőűğışİășțåæø";
const char16_t han[] =
    u"的一是不了人我你他她们在有这那个中上下来去大小心爱梦天地风雨花月夜星光日年时间里说看想要会能走到过起出回"
    u"还没就都也和与为着让给把被用好多少长远近手眼泪笑哭歌唱声听等再又只最更很太真美明白清红蓝青春秋冬夏海山水云"
    u"雪路门家城前后今生死情思念忘记相见离别谁什么自己如果因所以可但却永告诉知道觉得世界温柔寂寞孤单快乐幸福希望"
    u"待忆未现方向跳拥抱亲吻暖冷热深轻重飞落开关停留守护陪伴朋友妈孩子宝贝爸男女影样呢吗吧啊呀哦啦嗯"
    u"們這個來愛夢風雲時間裡說會過還沒為著讓給長遠淚聲聽見離別誰麼覺溫單樂憶現開關飛輕親媽貝樣嗎處燈東陽總"
    u"私僕君彼恋空今言行歩続届願泣強優輝色胸桜街駅窓朝帰消終始信気何度遠側痛悲嬉淋寒涙夢声戻変"
    u"灯火黑夜晚早晨阳光照亮心中脸唇肩身边方天空大地口名本新古高安短黒赤物書立入右左外内歌詞曲舞"
    u"陽燈邊臉問題無聽體點種與從後當將對經實發話語讀車門東";
const char16_t hangul[] =
    u"이다는의에가을를고하지나사리기도로서한아어자그있것수들내우보면요시대게마해주정네무모없너말래랑때날눈맘음오늘"
    u"밤별꿈길속께처럼난넌널니야워줘던했었져와까금만운울웃손바람잊않싶알몰같은떠돌너를나를우리사랑그대영원히";

// One bit per language: Spanish, Portuguese, French, German, Italian, Nordic,
// Icelandic, Polish, Czech, Slovak, Hungarian, Romanian, Croatian and Slovene,
// Turkish, Baltic, Catalan, Dutch.
const char16_t *const latin[] = {
    u"áéíóúñü",
    u"áâãàçéêíóôõúü",
    u"àâæçéèêëîïôœùûüÿ",
    u"äöüß",
    u"àèéìíîòóùú",
    u"åäöæøé",
    u"áðéíóúýþæö",
    u"ąćęłńóśźż",
    u"áčďéěíňóřšťúůýž",
    u"áäčďéíĺľňóôŕšťúýž",
    u"áéíóöőúüű",
    u"ăâîșțşţ",
    u"čćđšž",
    u"çğıöşüâîİ",
    u"āčēģīķļņšūžąęėįųõäöü",
    u"àçèéíïòóúü·",
    u"éëïóöüèáà",
};

template <size_t N> void add(QHash<char32_t, int> &h, const char16_t (&s)[N], int bonus)
{
    const QString text = QString::fromUtf16(s, N - 1);
    for (char32_t c : text.toUcs4())
        h.insert(c, bonus);
}

const QHash<char32_t, int> &bonuses()
{
    static const QHash<char32_t, int> h = [] {
        QHash<char32_t, int> t;
        add(t, latinAccents, 1);
        add(t, cyrillic, 1);
        add(t, greek, 1);
        add(t, hebrew, 1);
        add(t, han, 3);
        add(t, hangul, 3);
        return t;
    }();
    return h;
}

const QHash<char32_t, quint32> &languages()
{
    static const QHash<char32_t, quint32> h = [] {
        QHash<char32_t, quint32> t;
        for (size_t i = 0; i < std::size(latin); ++i)
            for (char32_t c : QString::fromUtf16(latin[i]).toUcs4())
                t[c] |= 1u << i;
        return t;
    }();
    return h;
}

}   // namespace

int commonBonus(char32_t c)
{
    if (c >= 0x3041 && c <= 0x309F)   // hiragana carries Japanese words
        return 2;
    if (c >= 0x30A0 && c <= 0x30FF)
        return 1;
    if (c >= 0xFF61 && c <= 0xFF9F)   // half-width kana: old terminals, rarely lyrics
        return -2;
    return bonuses().value(c, 0);
}

quint32 latinLanguages(char32_t c)
{
    return languages().value(c, 0);
}

bool usualSign(char32_t c)
{
    static const QString signs = QStringLiteral(u"«»‘’“”„…–—·¿¡♪♫☆★♡♥、。「」『』【】〈〉《》・ー～〜〃");
    if (c < 0x80 || (c >= 0xFF01 && c <= 0xFF5E))   // ASCII and its full-width forms
        return true;
    return c <= 0xFFFF && signs.contains(QChar(char16_t(c)));
}

}
