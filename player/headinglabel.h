#pragma once
#include <QLabel>

// A one-line heading that keeps its whole caption as text() but, where the
// caption is wider than the label, draws it with one part (a name) shortened
// in the middle, so the words around that part always show whole. The whole
// caption then shows as the tool tip.
class HeadingLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The part of the caption that gives way; without it (or where the caption
    // does not hold it) the whole caption shortens in the middle.
    void setShrinkable(const QString &part);
    // What is drawn: the caption, or the caption with that part elided.
    QString shownText() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_part;
};
