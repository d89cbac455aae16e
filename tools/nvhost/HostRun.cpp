#include "tools/nvhost/HostRun.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPixmap>
#include <QUrl>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>

#include "tools/nvhost/ExitCodes.h"
#include "tools/nvhost/HostOutput.h"
#include "tools/nvhost/HostPage.h"

namespace nvhost {

HostRun::HostRun(const HostOptions& options)
    : m_options(options),
      m_bridge(
          [this](int code, const QString& invalid) {
              if (code < 0) {
                  finish(toInt(ExitCode::InvalidPageCode),
                         QStringLiteral("nvhost: page asked to exit with invalid code ") + invalid);
              } else {
                  finish(code, QString());
              }
          },
          [this](const QString& path) { return writeScreenshot(path); }),
      m_view(std::make_unique<QWebView>()),
      m_page(new HostPage(options.confirmAnswer, m_view.get())) {
    m_view->setPage(m_page);
    m_view->resize(options.width, options.height);
    m_view->move(0, 0);
    m_view->setWindowTitle(QStringLiteral("nvhost"));

    QWebSettings* settings = m_page->settings();
    settings->setAttribute(QWebSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebSettings::PluginsEnabled, true);
    // Runs must not leave state behind for the next one.
    settings->setAttribute(QWebSettings::LocalStorageEnabled, false);

    connect(m_page, &QWebPage::frameCreated, this, &HostRun::exposeBridge);
    exposeBridge(m_page->mainFrame());
    connect(m_page, &HostPage::mainFrameLoadFailed, this, [this](const QString& reason) {
        finish(toInt(ExitCode::LoadFailed), QStringLiteral("nvhost: load failed: ") + reason);
    });
    // A closed window gives no verdict, so it must not end the run as a pass.
    connect(m_page, &QWebPage::windowCloseRequested, this, [this] {
        finish(toInt(ExitCode::WindowClosed), QStringLiteral("nvhost: the page closed the window"));
    });
    m_view->installEventFilter(this);

    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        finish(toInt(ExitCode::Timeout),
               QStringLiteral("nvhost: timeout after %1 s").arg(m_options.timeoutSeconds));
    });
}

HostRun::~HostRun() = default;

bool HostRun::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view.get() && event->type() == QEvent::Close) {
        finish(toInt(ExitCode::WindowClosed), QStringLiteral("nvhost: the window was closed"));
    }
    return QObject::eventFilter(watched, event);
}

void HostRun::start() {
    m_view->show();
    if (m_options.timeoutSeconds > 0) {
        m_timeout.start(m_options.timeoutSeconds * 1000);
    }
    m_view->load(QUrl::fromUserInput(QString::fromStdString(m_options.url)));
}

void HostRun::exposeBridge(QWebFrame* frame) {
    // The page's window object is replaced on every navigation, so the object goes in again each
    // time.
    connect(frame, &QWebFrame::javaScriptWindowObjectCleared, this, [this, frame] {
        frame->addToJavaScriptWindowObject(QStringLiteral("nvhost"), &m_bridge);
    });
}

void HostRun::finish(int code, const QString& line) {
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_timeout.stop();
    if (!line.isEmpty()) {
        printLine(line);
    }
    if (!m_options.screenshotPath.empty() &&
        !writeScreenshot(QString::fromStdString(m_options.screenshotPath)) && code == 0) {
        code = toInt(ExitCode::ScreenshotFailed);
    }
    QCoreApplication::exit(code);
}

bool HostRun::writeScreenshot(const QString& path) {
    const QPixmap shot = m_view->grab();
    if (shot.isNull() || !shot.save(path, "PNG")) {
        printLine(QStringLiteral("nvhost: could not write screenshot ") + path);
        return false;
    }
    return true;
}

} // namespace nvhost
