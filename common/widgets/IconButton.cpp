#include "IconButton.h"

#include <QPainter>

#include "common/widgets/ProgramFolders.h"

namespace zeph {

IconButton::IconButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void IconButton::setIcons(const QIcon& normal, const QIcon& hot) {
    m_normal = normal;
    m_hot = hot.isNull() ? normal : hot;
    update();
}

void IconButton::setHandCursor(bool hand) {
    if (hand)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

QSize IconButton::sizeHint() const {
    return iconSize() + QSize(4, 4);
}

QImage IconButton::greyed(const QImage& source) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            QRgb p = line[x];
            int grey = static_cast<int>(0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p));
            line[x] = qRgba(grey, grey, grey, qAlpha(p));
        }
    }
    return image;
}

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool hot = isEnabled() && (m_hovered || isDown());
    const QIcon& icon = hot ? m_hot : m_normal;
    QSize size = iconSize().boundedTo(this->size() - QSize(2, 2));
    QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    if (isDown()) target.translate(1, 1);
    QImage image = icon.pixmap(size, devicePixelRatio()).toImage();
    if (!isEnabled()) image = greyed(image);
    painter.drawImage(target, image);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void IconButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void IconButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

IconButton* makeIconButton(QWidget* parent, const QByteArray& icon, const QString& tip,
                           QSize size) {
    auto* button = new IconButton(parent);
    button->setIcons(programIcon(icon), programIcon(icon + "-hot"));
    button->setIconSize(size - QSize(8, 6));
    button->setFixedSize(size);
    button->setToolTip(tip);
    return button;
}

}  // namespace zeph
