#include "library/playlistfind.h"
#include "library/core/playlistfilter.h"
#include "library/core/playlistmodel.h"
#include "library/core/songindex.h"
#include "library/filebrowser.h"
#include "lyrics/core/songtextsource.h"
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

PlayListFind::PlayListFind(PlayListBox *list, PlayListModel *model, SongTextSource *songText, QWidget *parent)
    : QWidget(parent), m_list(list), m_model(model)
{
    setObjectName(QStringLiteral("FindBar"));
    SongIndex::Reader read;
    if (songText) {
        read = [songText](const QString &path) { return songText->textOf(path); };
        connect(songText, &SongTextSource::changed, this, [this](const QString &path) { m_index->forget(path); });
    }
    m_index = new SongIndex(read, this);
    m_filter = new PlayListFilter(m_index, this);
    m_filter->setSourceModel(model);
    m_list->setModel(m_filter);

    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("txtFind"));
    m_field->setPlaceholderText(QStringLiteral("Find"));
    m_field->setClearButtonEnabled(true);
    m_field->setAccessibleName(QStringLiteral("Find in play list"));
    m_field->setToolTip(QStringLiteral("Shows the songs whose name, title, artist or words hold what you type; "
                                       "Enter plays the first, Esc shows all"));
    m_field->installEventFilter(this);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblFound"));
    m_count->setAccessibleName(QStringLiteral("Songs found"));
    QFont small = m_count->font();
    small.setPointSizeF(7.5);
    m_count->setFont(small);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 2);
    row->setSpacing(3);
    row->addWidget(m_field, 1);
    row->addWidget(m_count);
    hide();

    connect(m_field, &QLineEdit::textChanged, this, &PlayListFind::search);
    connect(m_field, &QLineEdit::returnPressed, this, [this] {
        if (m_filter->rowCount() == 0)
            return;
        m_list->setCurrentRow(m_filter->sourceRow(0));
        emit playRequested();
    });
    // The filter tells of a removal before the list has made it: the count follows the list too.
    for (const QAbstractItemModel *m : std::initializer_list<const QAbstractItemModel *>{m_filter, m_model}) {
        for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(m, signal, this, &PlayListFind::showCount);
        connect(m, &QAbstractItemModel::modelReset, this, &PlayListFind::showCount);
    }
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &PlayListFind::showCount);
    connect(m_index, &SongIndex::songsRead, this, [this] { showing([this] { m_filter->refresh(); }); });
    // New entries are read as they come, once finding has begun.
    connect(model, &QAbstractItemModel::rowsInserted, this, &PlayListFind::followList);
    connect(model, &QAbstractItemModel::modelReset, this, &PlayListFind::followList);
}

void PlayListFind::openField()
{
    if (isHidden()) {
        m_listPlace = m_list->geometry();
        const int h = m_field->sizeHint().height() + 2;
        setGeometry(m_listPlace.x(), m_listPlace.y(), m_listPlace.width(), h);
        m_list->setGeometry(m_listPlace.adjusted(0, h, 0, 0));
        show();
        raise();
    }
    m_following = true;
    followList();
    showCount();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void PlayListFind::closeField()
{
    if (isHidden())
        return;
    const bool hadFocus = m_field->hasFocus();
    m_field->clear();
    hide();
    m_list->setGeometry(m_listPlace);
    if (hadFocus)
        m_list->setFocus(Qt::OtherFocusReason);
}

void PlayListFind::followList()
{
    if (m_following)
        m_index->follow(m_model->paths());
}

void PlayListFind::showing(const std::function<void()> &change)
{
    m_list->showingAboutToChange();
    change();
    m_list->showingChanged();
}

void PlayListFind::search(const QString &text)
{
    showing([&] { m_filter->setQuery(text); });
    showCount();
}

void PlayListFind::showCount()
{
    const QString text = QStringLiteral("%1 of %2").arg(m_filter->rowCount()).arg(m_model->count());
    m_count->setText(text);
    m_field->setAccessibleDescription(QStringLiteral("%1 songs shown").arg(text));
}

bool PlayListFind::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Escape) {
        closeField();
    } else if (key == Qt::Key_Down && m_filter->rowCount() > 0) {
        // On to the songs found, for the keyboard.
        if (m_list->currentRow() < 0)
            m_list->setCurrentRow(m_filter->sourceRow(0));
        m_list->setFocus(Qt::TabFocusReason);
    } else {
        return false;
    }
    return true;
}
