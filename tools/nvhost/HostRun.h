// One run of nvhost: the window with its page, the `window.nvhost` object, the time limit and the
// decision how the run ends. The first reason to end wins; later ones are ignored. Main thread
// only; make it after QApplication and destroy it before.
#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QTimer>

#include "tools/nvhost/HostOptions.h"
#include "tools/nvhost/PageBridge.h"

class QWebFrame;
class QWebView;

namespace nvhost {

class HostPage;

class HostRun : public QObject {
    Q_OBJECT

public:
    explicit HostRun(const HostOptions& options);
    ~HostRun() override;
    HostRun(const HostRun&) = delete;
    HostRun& operator=(const HostRun&) = delete;

    // Shows the window, starts loading the URL and the time limit. The run ends by
    // QCoreApplication::exit with the run's exit code.
    void start();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finish(int code, const QString& line);
    bool writeScreenshot(const QString& path);
    void exposeBridge(QWebFrame* frame);

    HostOptions m_options;
    PageBridge m_bridge;
    // Declared after m_bridge: the page holds the bridge in its script objects until it is gone.
    std::unique_ptr<QWebView> m_view;
    HostPage* m_page; // owned by m_view
    QTimer m_timeout;
    bool m_finished = false;
};

} // namespace nvhost
