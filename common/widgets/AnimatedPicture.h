// A picture in place of a static control: GIF pictures of several frames are
// animated on a thread of the control's own, in an endless loop; any other
// picture (PNG, JPEG, BMP, a one-frame GIF) is shown still.
#pragma once

#include <QImage>
#include <QWidget>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace zeph {

class CAnimatedPicture : public QWidget {
    Q_OBJECT
public:
    explicit CAnimatedPicture(QWidget* parent = nullptr);
    ~CAnimatedPicture() override;

    bool Load(const QString& fileName);
    bool Load(const QByteArray& data);
    // Starts the animation, or shows the still picture.
    bool Draw();
    // Ends the animation thread and waits for it.
    void Stop();
    void Unload();

    bool isLoaded() const { return m_loaded; }
    bool isAnimating() const { return m_thread.joinable(); }
    int frameCount() const { return static_cast<int>(m_frames.size()); }
    // How long a frame stays, in milliseconds.
    static int frameDelayMs(int delay);
    // A copy of what the control shows now.
    QImage currentImage() const;
    // One step of the animation, without its thread: draws the current frame
    // (returning how long it stays), then applies its disposal and moves on.
    int renderCurrentFrame();
    void finishCurrentFrame();

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Frame {
        QImage image;
        QRect rect;  // within the picture, clipped to it
        int delayMs;
        int disposal;
    };
    bool loadGif(const QByteArray& data);
    void prepareSurface(QSize size);
    void animate();

    QImage m_still;
    std::vector<Frame> m_frames;
    QSize m_size;
    QColor m_background = Qt::white;
    bool m_loaded = false;

    mutable std::mutex m_surfaceMutex;  // the thread draws while the window paints
    QImage m_surface;
    size_t m_current = 0;
    QImage m_saved;  // what lay under a frame that restores it (disposal 3)

    std::thread m_thread;
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_stop = false;
};

}  // namespace zeph
