#include "WheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>
#include <QTabBar>

namespace zeph {

namespace {

class WheelFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* control = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Wheel || !control || control->hasFocus()) return false;
        // To the scroll bar of the pane around it, as if the wheel were over the pane.
        for (QWidget* up = control->parentWidget(); up; up = up->parentWidget())
            if (auto* area = qobject_cast<QAbstractScrollArea*>(up)) {
                QCoreApplication::sendEvent(area->verticalScrollBar(), event);
                break;
            }
        return true;
    }
};

template <class Control>
void guardAll(QWidget* widget, QObject* filter) {
    for (Control* control : widget->findChildren<Control*>()) {
        // The wheel never gives them the focus either.
        control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(filter);
    }
}

}  // namespace

void guardWheel(QWidget* widget) {
    auto* filter = new WheelFilter(widget);
    guardAll<QComboBox>(widget, filter);
    guardAll<QAbstractSpinBox>(widget, filter);
    guardAll<QTabBar>(widget, filter);
}

}  // namespace zeph
