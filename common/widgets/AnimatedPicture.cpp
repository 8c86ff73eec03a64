#include "AnimatedPicture.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>

#include "common/widgets/GifBlocks.h"

namespace zeph {

namespace {
constexpr qint64 kMaxFileSize = 64 << 20;
}  // namespace

CAnimatedPicture::CAnimatedPicture(QWidget* parent) : QWidget(parent) {}

CAnimatedPicture::~CAnimatedPicture() {
    Stop();
}

int CAnimatedPicture::frameDelayMs(int delay) {
    // Delays below 5 hundredths, and frames without one, stay 100 ms, as
    // browsers do: a delay of 0 must not spin the processor.
    return (delay < 5) ? 100 : delay * 10;
}

bool CAnimatedPicture::Load(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize) {
        Unload();
        return false;
    }
    return Load(file.readAll());
}

bool CAnimatedPicture::Load(const QByteArray& data) {
    Unload();
    auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    bool ok = gif::looksLikeGif(bytes, static_cast<size_t>(data.size()))
                  ? loadGif(data)
                  : m_still.loadFromData(data);
    if (!ok || (m_frames.empty() && m_still.isNull())) {
        Unload();
        return false;
    }
    prepareSurface(m_frames.empty() && m_size.isEmpty() ? m_still.size() : m_size);
    return true;
}

bool CAnimatedPicture::loadGif(const QByteArray& data) {
    auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    auto picture = gif::parse(bytes, static_cast<size_t>(data.size()));
    if (!picture) return false;
    m_size = QSize(picture->width, picture->height);
    if (picture->frames.size() == 1) return m_still.loadFromData(data, "GIF");
    const QRect whole(QPoint(0, 0), m_size);
    for (const gif::Frame& f : picture->frames) {
        std::string single = gif::singleFrame(bytes, *picture, f);
        QImage image;
        if (!image.loadFromData(reinterpret_cast<const uchar*>(single.data()),
                                static_cast<int>(single.size()), "GIF"))
            continue;  // a frame that does not decode is left out
        QRect rect = QRect(f.left, f.top, f.width, f.height).intersected(whole);
        if (rect.isEmpty()) continue;
        m_frames.push_back({image, rect, frameDelayMs(f.delay), f.disposal});
    }
    return !m_frames.empty();
}

void CAnimatedPicture::prepareSurface(QSize size) {
    m_background = palette().color(QPalette::Button);
    {
        std::lock_guard lock(m_surfaceMutex);
        m_surface = QImage(size, QImage::Format_ARGB32_Premultiplied);
        m_surface.fill(m_background);
    }
    setFixedSize(size);
    m_loaded = true;
}

bool CAnimatedPicture::Draw() {
    if (!m_loaded) return false;
    if (m_frames.size() >= 2) {
        if (!m_thread.joinable()) {
            m_stop = false;
            m_thread = std::thread(&CAnimatedPicture::animate, this);
        }
        return true;
    }
    {
        std::lock_guard lock(m_surfaceMutex);
        QPainter painter(&m_surface);
        painter.drawImage(QRect(QPoint(0, 0), m_surface.size()),
                          m_frames.empty() ? m_still : m_frames[0].image);
    }
    update();
    return true;
}

int CAnimatedPicture::renderCurrentFrame() {
    const Frame& frame = m_frames[m_current];
    std::lock_guard lock(m_surfaceMutex);
    if (frame.disposal == 3) m_saved = m_surface.copy(frame.rect);
    QPainter painter(&m_surface);
    // A decoded frame is either the whole picture, with its area at the
    // frame's offset, or just the frame's area.
    QRect source = frame.image.size() == m_surface.size() ? frame.rect : frame.image.rect();
    painter.drawImage(frame.rect, frame.image, source);
    return frame.delayMs;
}

void CAnimatedPicture::finishCurrentFrame() {
    const Frame& frame = m_frames[m_current];
    std::lock_guard lock(m_surfaceMutex);
    QPainter painter(&m_surface);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (frame.disposal == 2) {
        painter.fillRect(frame.rect, m_background);
    } else if (frame.disposal == 3 && !m_saved.isNull()) {
        painter.drawImage(frame.rect.topLeft(), m_saved);
        m_saved = QImage();
    }
    if (++m_current == m_frames.size()) {  // the loop starts again on a clear picture
        m_current = 0;
        painter.fillRect(m_surface.rect(), m_background);
    }
}

void CAnimatedPicture::animate() {
    std::unique_lock wakeLock(m_wakeMutex);
    while (!m_stop) {
        wakeLock.unlock();
        int delay = renderCurrentFrame();
        QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
        wakeLock.lock();
        if (m_wake.wait_for(wakeLock, std::chrono::milliseconds(delay), [this] { return m_stop; }))
            break;
        wakeLock.unlock();
        finishCurrentFrame();
        wakeLock.lock();
    }
}

void CAnimatedPicture::Stop() {
    {
        std::lock_guard lock(m_wakeMutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    std::lock_guard lock(m_wakeMutex);
    m_stop = false;
}

void CAnimatedPicture::Unload() {
    Stop();
    m_frames.clear();
    m_current = 0;
    m_saved = QImage();
    m_still = QImage();
    m_size = QSize();
    m_loaded = false;
    m_background = Qt::white;
    std::lock_guard lock(m_surfaceMutex);
    m_surface = QImage();
}

QImage CAnimatedPicture::currentImage() const {
    std::lock_guard lock(m_surfaceMutex);
    return m_surface.copy();
}

void CAnimatedPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::lock_guard lock(m_surfaceMutex);
    if (!m_surface.isNull()) painter.drawImage(0, 0, m_surface);
}

void CAnimatedPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

}  // namespace zeph
