#pragma once
#include <QWidget>
#include <array>

// A piano keyboard over a range of keys, each key held down shown in the
// colour of the channel that plays it.
class KeyboardView : public QWidget {
    Q_OBJECT
public:
    using Keys = std::array<std::array<quint64, 2>, 16>;   // per channel, one bit a key

    explicit KeyboardView(QWidget *parent = nullptr);
    // Whole octaves around low..high, at least two.
    void setRange(int low, int high);
    int lowKey() const { return m_low; }
    int highKey() const { return m_high; }
    // Repaints only when they changed.
    void setKeys(const Keys &keys);
    // The channel a key is shown for, -1 when none holds it.
    int channelAt(int key) const;
    static QColor channelColour(int channel);
    QSize sizeHint() const override { return {720, 72}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF keyRect(int key) const;
    Keys m_keys{};
    int m_low = 48, m_high = 83;
};
