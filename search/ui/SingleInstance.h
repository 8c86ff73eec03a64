// One running search program per program folder: a second start hands over
// to the first, which raises its window, with the search line the second
// was started with (a launcher's "search for this in the program").
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace zeph {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    // True when another instance runs and was asked to show itself (and to
    // search for the line, when there is one).
    bool handedOver(const QString& searchLine = {});
    // Starts listening for later starts.
    void listen();

signals:
    void raiseRequested(const QString& searchLine);

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};

}  // namespace zeph
