// The browser page nvhost runs: it turns every way a page could block or talk to a user (console,
// alert, confirm, prompt, file chooser, runaway-script question) into lines on stdout and fixed
// answers, so an unattended run never waits for a person. Main thread only.
#pragma once

#include <QWebPage>

class QNetworkReply;

namespace nvhost {

class HostPage : public QWebPage {
    Q_OBJECT

public:
    HostPage(bool confirmAnswer, QObject* parent);

    bool supportsExtension(Extension extension) const override;
    bool extension(Extension extension, const ExtensionOption* option,
                   ExtensionReturn* output) override;

public slots:
    bool shouldInterruptJavaScript() override;

signals:
    // The top-level document could not be loaded (network error or HTTP error status).
    void mainFrameLoadFailed(const QString& reason);

protected:
    void javaScriptAlert(QWebFrame* frame, const QString& message) override;
    bool javaScriptConfirm(QWebFrame* frame, const QString& message) override;
    bool javaScriptPrompt(QWebFrame* frame, const QString& message, const QString& defaultValue,
                          QString* result) override;
    QString chooseFile(QWebFrame* frame, const QString& suggestedFile) override;
    QWebPage* createWindow(WebWindowType type) override;

private:
    void checkHttpStatus(QNetworkReply* reply);
    void printConsoleMessage(MessageSource source, MessageLevel level, const QString& message,
                             int lineNumber, const QString& sourceId);

    bool m_confirmAnswer;
};

} // namespace nvhost
