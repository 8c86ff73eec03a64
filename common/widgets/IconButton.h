// A flat button that shows an icon pair: the hot icon while the mouse is over
// it or it is pressed, the normal one otherwise, and a grey version when it is
// disabled. Optional tooltip and pointing-hand cursor.
#pragma once

#include <QAbstractButton>
#include <QIcon>

namespace zeph {

class IconButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit IconButton(QWidget* parent = nullptr);

    void setIcons(const QIcon& normal, const QIcon& hot);
    void setHandCursor(bool hand);
    QSize sizeHint() const override;

    // Grey level of a colour: 0.299 red + 0.587 green + 0.114 blue.
    static QImage greyed(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QIcon m_normal;
    QIcon m_hot;
    bool m_hovered = false;
};

// A small button with one of the program's icon pairs (icons/<name>.svg and
// icons/<name>-hot.svg), as the paging rows use.
IconButton* makeIconButton(QWidget* parent, const QByteArray& icon, const QString& tip,
                           QSize size = QSize(26, 24));

}  // namespace zeph
