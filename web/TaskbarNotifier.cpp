#include "TaskbarNotifier.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "common/widgets/DesktopOpen.h"
#include "common/widgets/GbkText.h"

namespace zeph {

namespace {
constexpr int kStepPixels = 2;
const QRect kCloseBox(QPoint(229, 9), QPoint(240, 21));
}  // namespace

TaskbarNotifier::TaskbarNotifier(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    connect(&m_tick, &QTimer::timeout, this, &TaskbarNotifier::step);
    m_stay.setSingleShot(true);
    connect(&m_stay, &QTimer::timeout, this, [this] {
        m_state = Disappearing;
        m_tick.start(std::max(
            1,
            m_hideMs / std::max(1, (m_edge == Left || m_edge == Right ? width() : height()) / 2)));
    });
}

bool TaskbarNotifier::setSkin(const QString& file) {
    QPixmap skin(file);
    if (skin.width() < 2 || skin.height() < 2) {
        m_skin = QPixmap();
        return false;
    }
    m_skin = skin;
    setFixedSize(m_skin.size());
    return true;
}

void TaskbarNotifier::setTextFonts(const QString& face, int pointSize, bool hoverUnderline) {
    m_font = QFont(face, pointSize);
    m_hoverFont = m_font;
    m_hoverFont.setUnderline(hoverUnderline);
}

void TaskbarNotifier::setTextColours(const QColor& normal, const QColor& hover) {
    m_colour = normal;
    m_hoverColour = hover;
}

void TaskbarNotifier::setTextRect(const QRect& rect) {
    m_textRect = rect;
}

TaskbarNotifier::Edge TaskbarNotifier::taskbarEdge(const QRect& screen, const QRect& work) {
    if (work.width() < screen.width()) return work.left() == screen.left() ? Right : Left;
    if (work.height() < screen.height() && work.top() != screen.top()) return Top;
    return Bottom;
}

void TaskbarNotifier::showText(const QString& text, int showMs, int stayMs, int hideMs) {
    if (m_skin.isNull()) return;  // no skin, no popup: never a zero-sized window
    m_text = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_showMs = showMs;
    m_stayMs = stayMs;
    m_hideMs = hideMs;
    if (m_state == Appearing) {
        update();
        return;
    }
    if (m_state == Shown || m_state == Disappearing) {
        m_tick.stop();
        move(m_shownAt);
        m_state = Shown;
        update();
        startStay();
        return;
    }
    QScreen* screen = parentWidget() && parentWidget()->screen() ? parentWidget()->screen()
                                                                 : QGuiApplication::primaryScreen();
    QRect work = screen->availableGeometry();
    m_edge = taskbarEdge(screen->geometry(), work);
    const int w = width(), h = height();
    switch (m_edge) {
        case Right:
            m_startAt = {work.right() + 1, work.bottom() + 1 - h};
            m_direction = {-1, 0};
            break;
        case Left:
            m_startAt = {work.left() - w, work.bottom() + 1 - h};
            m_direction = {1, 0};
            break;
        case Top:
            m_startAt = {work.right() + 1 - w, work.top() - h};
            m_direction = {0, 1};
            break;
        case Bottom:
            m_startAt = {work.right() + 1 - w, work.bottom() + 1};
            m_direction = {0, -1};
            break;
    }
    int travel = (m_edge == Left || m_edge == Right) ? w : h;
    m_shownAt = m_startAt + m_direction * travel;
    move(m_startAt);
    show();
    m_state = Appearing;
    // At least 1 ms between steps: a fast show time never runs the timer at 0.
    m_tick.start(std::max(1, m_showMs / std::max(1, travel / 2)));
}

void TaskbarNotifier::step() {
    if (m_state == Appearing) {
        QPoint next = pos() + m_direction * kStepPixels;
        QPoint left = m_shownAt - next;
        if (QPoint::dotProduct(left, m_direction) <= 0) {
            move(m_shownAt);
            m_tick.stop();
            m_state = Shown;
            startStay();
        } else {
            move(next);
        }
    } else if (m_state == Disappearing) {
        QPoint next = pos() - m_direction * kStepPixels;
        if (QPoint::dotProduct(next - m_startAt, m_direction) <= 0)
            hidePopup();
        else
            move(next);
    }
}

void TaskbarNotifier::startStay() {
    m_stay.start(m_stayMs);
}

void TaskbarNotifier::hidePopup() {
    m_tick.stop();
    m_stay.stop();
    hide();
    m_state = Hidden;
}

void TaskbarNotifier::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_skin);
    painter.setFont(m_hovered ? m_hoverFont : m_font);
    painter.setPen(m_hovered ? m_hoverColour : m_colour);
    QString shown = m_text;
    QFontMetrics metrics(painter.font());
    QRect needed = metrics.boundingRect(m_textRect, Qt::TextWordWrap, shown);
    while (needed.height() > m_textRect.height() && shown.size() > 1) {
        shown.chop(2);
        shown += QChar(0x2026);
        needed = metrics.boundingRect(m_textRect, Qt::TextWordWrap, shown);
    }
    painter.drawText(m_textRect, Qt::TextWordWrap, shown);
}

void TaskbarNotifier::mouseMoveEvent(QMouseEvent* event) {
    bool hovered = event->position().y() >= 40;
    if (hovered != m_hovered) {
        m_hovered = hovered;
        update();
    }
}

void TaskbarNotifier::leaveEvent(QEvent*) {
    if (m_hovered) {
        m_hovered = false;
        update();
    }
}

void TaskbarNotifier::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    auto failed = [](int exitCode) {
        showOpenFailure(openFailureText(exitCode, QStringLiteral("打开网页失败！"), true));
    };
    if (!kCloseBox.contains(event->position().toPoint()) && !openWebAddress(m_link, this, failed))
        failed(kOpenerNotStarted);
    hidePopup();
}

}  // namespace zeph
