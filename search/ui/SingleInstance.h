// One running search program per program folder: a second start hands over
// to the first, which raises its window.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace zeph {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    // True when another instance runs and was asked to show itself.
    bool handedOver();
    // Starts listening for later starts.
    void listen();

signals:
    void raiseRequested();

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};

}  // namespace zeph
