// Any text, as names, titles and queries, through the song index and the
// play list filter. Folding leaves no accent and folds nothing more a second
// time; a query cut from an entry's name or its song's title finds it,
// whatever it holds; an empty query shows every entry.
#include "library/core/playlistfilter.h"
#include "library/core/playlistmodel.h"
#include "library/core/songindex.h"
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// Entries by their names; the path is the row's.
struct Entries : QAbstractListModel {
    QStringList names;
    int rowCount(const QModelIndex & = {}) const override { return int(names.size()); }
    QVariant data(const QModelIndex &i, int role) const override
    {
        return role == PlayListModel::PathRole ? QVariant(path(i.row())) : QVariant(names.value(i.row()));
    }
    static QString path(int row) { return QStringLiteral("/songs/%1.mid").arg(row); }
};

// Which promise broke, for whoever reads a crash.
void require(bool ok, int line = __builtin_LINE())
{
    if (!ok) {
        std::fprintf(stderr, "broken at line %d\n", line);
        std::abort();
    }
}

void checkFold(const QString &text)
{
    const QString folded = SongIndex::fold(text);
    for (char32_t c : folded.toUcs4()) {
        const QChar::Category cat = QChar::category(c);
        require(cat != QChar::Mark_NonSpacing && cat != QChar::Mark_SpacingCombining && cat != QChar::Mark_Enclosing);
    }
    require(SongIndex::fold(folded) == folded);
}

// Whether the filter shows the entry at row for query.
bool shows(PlayListFilter &filter, const QString &query, int row)
{
    filter.setQuery(query);
    for (int r = 0; r < filter.rowCount(); ++r)
        if (filter.sourceRow(r) == row)
            return true;
    return false;
}

// A piece as typed: whole characters.
QString cut(const QString &text, uint8_t from, int length)
{
    const QList<uint> all = text.toUcs4();
    const QList<uint> piece = all.isEmpty() ? all : all.mid(from % all.size(), length);
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(piece.constData()), piece.size());
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_songfind", *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size < 4)
        return 0;
    // Names and titles in turn, split at U+001F. Text read from files or typed never holds a lone surrogate.
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(data + 4), qsizetype(size - 4) / 2);
    const QStringList parts = cut(text, 0, -1).split(QChar(0x1F));
    Entries model;
    QHash<QString, QString> titles;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        checkFold(parts[i]);
        checkFold(parts.value(i + 1));
        titles[Entries::path(model.rowCount())] = parts.value(i + 1);
        model.names << parts[i];
    }
    SongIndex index([&titles](const QString &path) {
        SongText t;
        t.title = titles.value(path);
        t.artists = {t.title};
        t.lyrics = {{0, t.title, LyricSyllable::Break::None}};
        return t;
    });
    index.follow(titles.keys());
    index.readFor(0);
    PlayListFilter filter(&index);
    filter.setSourceModel(&model);
    require(filter.rowCount() == model.rowCount());
    const int row = data[0] % model.rowCount();
    const QString path = Entries::path(row);
    require(!index.textOf(path).isEmpty());
    require(shows(filter, cut(model.names[row], data[1], data[2]), row));
    require(shows(filter, cut(titles[path], data[3], data[2]), row));
    filter.setQuery({});
    require(filter.rowCount() == model.rowCount());
    // A song that reads differently is read again; one no longer listed is forgotten.
    index.forget(path);
    require(index.textOf(path).isEmpty() && index.reading());
    index.follow({});
    require(!index.reading() && index.textOf(path).isEmpty());
    return 0;
}
