// An advertisement pane: a shipped picture with a link, replaced by the
// picture and link the vendor's server offers when it answers. The request
// runs on a thread of the pane's own; nothing visible changes when it fails.
#pragma once

#include <QWidget>

#include <atomic>
#include <string>
#include <thread>

#include "common/WebFetch.h"

namespace zeph {

class CAnimatedPicture;

struct AdvertKind {
    std::string request;        // path and query on the server
    QString shippedPicture;     // in the program folder
    QString downloadedPicture;  // file name in the program folder
    bool breakLines;            // "<br>" to line breaks (the search program)
};

// The four panes: the strip (by screen width) and the log, settings and indexer panes.
AdvertKind stripAdvert(int screenWidth);
AdvertKind logAdvert();
AdvertKind settingsAdvert();
AdvertKind indexerAdvert();

class AdvertPane : public QWidget {
    Q_OBJECT
public:
    // Shipped pictures come from the program folder; downloaded ones go to the data folder.
    explicit AdvertPane(AdvertKind kind, QWidget* parent = nullptr);
    ~AdvertPane() override;

    // Shows the shipped picture and starts the request.
    void start();
    QString link() const { return m_link; }
    CAnimatedPicture* picture() const { return m_picture; }
    // True once the request has ended (answered or not).
    bool requestDone() const { return m_done; }

signals:
    void updated();

private:
    void applyAnswer(const QString& link, bool pictureDownloaded);
    void openLink();

    AdvertKind m_kind;
    QString m_link;
    CAnimatedPicture* m_picture;
    std::thread m_request;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
};

// The vendor's home page, the default link of every pane.
QString vendorHomePage();

}  // namespace zeph
