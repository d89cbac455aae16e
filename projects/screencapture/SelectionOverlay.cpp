#include "SelectionOverlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

namespace {
// A press and release closer than this is a click, which takes the whole screen.
const int clickSlack = 3;
const int grabRetryMs = 50;
} // namespace

SelectionOverlay::SelectionOverlay(const QPixmap& screen) : m_screen(screen) {
    // Bypassing the window manager keeps the overlay above everything and undecorated; in
    // exchange it gets no focus from it, hence the grabs once it is on screen.
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::X11BypassWindowManagerHint);
    setWindowTitle(QStringLiteral("screencapture"));
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
}

QRect SelectionOverlay::selection() const {
    return QRect(m_start, m_end).normalized().adjusted(0, 0, -1, -1);
}

void SelectionOverlay::paintEvent(QPaintEvent*) {
    if (!m_grabStarted) {
        m_grabStarted = true;
        grabInput();
    }
    QPainter painter(this);
    painter.drawPixmap(rect(), m_screen);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
    if (m_dragging) {
        QRect chosen = selection();
        qreal ratio = m_screen.devicePixelRatio();
        QRectF source(chosen.x() * ratio, chosen.y() * ratio, chosen.width() * ratio,
                      chosen.height() * ratio);
        painter.drawPixmap(QRectF(chosen), m_screen, source);
        painter.setPen(QColor(255, 255, 255));
        painter.drawRect(chosen.adjusted(-1, -1, 0, 0));
    }
}

void SelectionOverlay::grabInput() {
    // Painting means the window is viewable, which X requires of a grab window. Another client
    // (an open menu) may hold the grab for a moment: try again shortly.
    if (!isVisible()) {
        return;
    }
    QWindow* window = windowHandle();
    if (!window || !window->setKeyboardGrabEnabled(true) || !window->setMouseGrabEnabled(true)) {
        QTimer::singleShot(grabRetryMs, this, &SelectionOverlay::grabInput);
        return;
    }
    // Only now do keys reach us, so only now does the title invite the user (and tools that
    // drive the overlay) to act.
    setWindowTitle(QStringLiteral("screencapture: drag a rectangle, click for the whole screen, "
                                  "Escape cancels"));
}

void SelectionOverlay::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_start = m_end = event->pos();
    m_dragging = true;
    update();
}

void SelectionOverlay::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        m_end = event->pos();
        update();
    }
}

void SelectionOverlay::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton) {
        return;
    }
    m_end = event->pos();
    m_dragging = false;
    QImage screen = m_screen.toImage();
    if ((m_end - m_start).manhattanLength() < clickSlack) {
        finish(screen);
        return;
    }
    // The drag's corners bound the picture: pressing at x and releasing at x + w gives w columns.
    qreal ratio = m_screen.devicePixelRatio();
    QRect chosen(QPoint(qMin(m_start.x(), m_end.x()), qMin(m_start.y(), m_end.y())),
                 QSize(qAbs(m_end.x() - m_start.x()), qAbs(m_end.y() - m_start.y())));
    finish(screen.copy(QRect(chosen.topLeft() * ratio, chosen.size() * ratio)));
}

void SelectionOverlay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        finish(QImage());
    }
}

void SelectionOverlay::finish(const QImage& chosen) {
    m_chosen = chosen;
    if (QWindow* window = windowHandle()) {
        window->setKeyboardGrabEnabled(false);
        window->setMouseGrabEnabled(false);
    }
    hide();
    emit finished();
}
