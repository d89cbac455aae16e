// The object a page sees as `window.nvhost`: the page's way to end the run with a verdict and to
// take screenshots. Slots are called by the page's script on the main thread only; the callbacks
// run there too, inside the script call.
#pragma once

#include <functional>

#include <QObject>
#include <QString>
#include <QVariant>

namespace nvhost {

class PageBridge : public QObject {
    Q_OBJECT

public:
    // onExit receives a page code in 0..kMaxPageCode, or a negative value when the page passed
    // something else (described by the text). onScreenshot writes a PNG and tells whether it did.
    PageBridge(std::function<void(int code, const QString& invalid)> onExit,
               std::function<bool(const QString& path)> onScreenshot, QObject* parent = nullptr);

public slots:
    // Ends the run with the page's code. Anything but a whole number in 0..kMaxPageCode ends it
    // with ExitCode::InvalidPageCode, never with 0.
    void exit(const QVariant& code);
    // Without a code the page has not said it passed, so this is an invalid code too.
    void exit();

    // Writes a PNG of the window now; false when it could not be written.
    bool screenshot(const QString& path);

private:
    std::function<void(int, const QString&)> m_onExit;
    std::function<bool(const QString&)> m_onScreenshot;
};

} // namespace nvhost
