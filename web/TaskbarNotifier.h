// The notification popup: a skin picture with a text, sliding in from the
// taskbar's edge, staying, and sliding back. A click opens its link.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace zeph {

class TaskbarNotifier : public QWidget {
    Q_OBJECT
public:
    enum State { Hidden = 0, Appearing = 1, Shown = 2, Disappearing = 3 };
    enum Edge { Top = 1, Left = 2, Right = 3, Bottom = 4 };

    explicit TaskbarNotifier(QWidget* owner = nullptr);

    // False (and no popup will show) when the picture does not load or is
    // narrower or lower than 2 pixels.
    bool setSkin(const QString& file);
    void setTextFonts(const QString& face, int pointSize, bool hoverUnderline);
    void setTextColours(const QColor& normal, const QColor& hover);
    void setTextRect(const QRect& rect);
    void setLink(const QString& link) { m_link = link; }
    void showText(const QString& text, int showMs, int stayMs, int hideMs);
    void hidePopup();

    State state() const { return m_state; }
    Edge edge() const { return m_edge; }
    int tickInterval() const { return m_tick.interval(); }
    QPoint shownPosition() const { return m_shownAt; }
    QString text() const { return m_text; }

    // Which edge the taskbar is on, from the screen and its work area.
    static Edge taskbarEdge(const QRect& screen, const QRect& work);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void step();
    void startStay();

    QPixmap m_skin;
    QFont m_font;
    QFont m_hoverFont;
    QColor m_colour{133, 146, 181};
    QColor m_hoverColour{10, 36, 106};
    QRect m_textRect;
    QString m_text;
    QString m_link;
    State m_state = Hidden;
    Edge m_edge = Bottom;
    bool m_hovered = false;
    int m_showMs = 500, m_stayMs = 10000, m_hideMs = 500;
    QPoint m_startAt, m_shownAt, m_direction;
    QTimer m_tick;
    QTimer m_stay;
};

}  // namespace zeph
