// SelectionOverlay: the X11 way to choose what to capture. It covers the screen with a still
// picture of it; the user drags a rectangle, clicks for the whole screen, or presses Escape to
// cancel. The picture is taken before the overlay shows, so the overlay is never in it.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

class SelectionOverlay : public QWidget {
    Q_OBJECT
public:
    explicit SelectionOverlay(const QPixmap& screen);

    // The chosen part of the picture once the overlay has closed; null when cancelled.
    QImage chosen() const { return m_chosen; }

signals:
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void grabInput();
    QRect selection() const;
    void finish(const QImage& chosen);

    QPixmap m_screen;
    QPoint m_start;
    QPoint m_end;
    bool m_dragging = false;
    bool m_grabStarted = false;
    QImage m_chosen;
};
