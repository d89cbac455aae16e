#include "tools/nvhost/HostPage.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QWebFrame>

#include "tools/nvhost/HostOutput.h"

namespace nvhost {

HostPage::HostPage(bool confirmAnswer, QObject* parent)
    : QWebPage(parent), m_confirmAnswer(confirmAnswer) {
    connect(networkAccessManager(), &QNetworkAccessManager::finished, this,
            &HostPage::checkHttpStatus);
    connect(this, &QWebPage::consoleMessageReceived, this, &HostPage::printConsoleMessage);
}

bool HostPage::supportsExtension(Extension extension) const {
    return extension == ErrorPageExtension;
}

bool HostPage::extension(Extension extension, const ExtensionOption* option, ExtensionReturn*) {
    if (extension != ErrorPageExtension || option == nullptr) {
        return false;
    }
    const auto* error = static_cast<const ErrorPageExtensionOption*>(option);
    if (error->frame == mainFrame()) {
        emit mainFrameLoadFailed(error->url.toString() + QStringLiteral(": ") + error->errorString);
    }
    // No replacement document: the run ends on the failure and nobody would see it.
    return false;
}

void HostPage::checkHttpStatus(QNetworkReply* reply) {
    // The engine renders an error status's body as a normal document and reports success; for a
    // test run a missing page is a load failure, not a page that never calls exit.
    if (reply->request().originatingObject() != mainFrame() ||
        reply->url() != mainFrame()->requestedUrl()) {
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        const QString reason =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        emit mainFrameLoadFailed(reply->url().toString() +
                                 QStringLiteral(": HTTP %1 %2").arg(status).arg(reason));
    }
}

// The engine's default asks a person in a modal dialog; interrupting lets the time limit work.
bool HostPage::shouldInterruptJavaScript() {
    printLine(QStringLiteral("nvhost: interrupted a long-running script"));
    return true;
}

void HostPage::printConsoleMessage(MessageSource source, MessageLevel, const QString& message,
                                   int lineNumber, const QString& sourceId) {
    // Console calls print exactly what the page wrote (the test library's lines are parsed);
    // the engine's own reports, such as uncaught exceptions, say where they happened.
    if (source == ConsoleAPIMessageSource || sourceId.isEmpty()) {
        printLine(message);
    } else {
        printLine(message + QStringLiteral(" (%1:%2)").arg(sourceId).arg(lineNumber));
    }
}

void HostPage::javaScriptAlert(QWebFrame*, const QString& message) {
    printLine(QStringLiteral("nvhost: alert: ") + message);
}

bool HostPage::javaScriptConfirm(QWebFrame*, const QString& message) {
    printLine(QStringLiteral("nvhost: confirm: ") + message + QStringLiteral(" -> ") +
              (m_confirmAnswer ? QStringLiteral("yes") : QStringLiteral("no")));
    return m_confirmAnswer;
}

bool HostPage::javaScriptPrompt(QWebFrame*, const QString& message, const QString& defaultValue,
                                QString* result) {
    printLine(QStringLiteral("nvhost: prompt: ") + message + QStringLiteral(" -> ") + defaultValue);
    *result = defaultValue;
    return true;
}

QString HostPage::chooseFile(QWebFrame*, const QString& suggestedFile) {
    printLine(QStringLiteral("nvhost: file chooser refused (suggested '") + suggestedFile +
              QStringLiteral("')"));
    return QString();
}

QWebPage* HostPage::createWindow(WebWindowType) {
    printLine(QStringLiteral("nvhost: new window refused"));
    return nullptr;
}

} // namespace nvhost
