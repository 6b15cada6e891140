#pragma once
#include <QRect>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class PlayListBox;
class PlayListFilter;
class PlayListModel;
class SongIndex;
class SongTextSource;

// The find field over the play list: typing shows only the entries that match, Enter plays the first
// of them, Down goes on to them, Esc closes the field and shows the whole list again. Hidden, it
// takes no room.
class PlayListFind : public QWidget {
    Q_OBJECT
public:
    // Puts list on the filtered play list; songText (may be null) gives titles, artists and words.
    PlayListFind(PlayListBox *list, PlayListModel *model, SongTextSource *songText, QWidget *parent);
    QLineEdit *field() const { return m_field; }
    PlayListFilter *filter() const { return m_filter; }
    SongIndex *index() const { return m_index; }
    // Shows the field over the top of the list with the focus; from the first time on the songs are read.
    void openField();
    void closeField();

signals:
    // The first entry shown is now the list's current one: play it as a double click would.
    void playRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Makes a change of what shows, the chosen entry kept.
    void showing(const std::function<void()> &change);
    void search(const QString &text);
    void showCount();
    void followList();

    PlayListBox *m_list;
    PlayListModel *m_model;
    SongIndex *m_index;
    PlayListFilter *m_filter;
    QLineEdit *m_field;
    QLabel *m_count;
    QRect m_listPlace;   // the list's own place, given back when the field closes
    bool m_following = false;
};
