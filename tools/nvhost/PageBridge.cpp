#include "tools/nvhost/PageBridge.h"

#include <cmath>

#include "tools/nvhost/ExitCodes.h"

namespace nvhost {
namespace {

QString describe(const QVariant& value) {
    switch (value.userType()) {
    case QMetaType::QString:
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::Bool:
        return value.toString();
    default:
        return value.isValid() ? QStringLiteral("(%1)").arg(QLatin1String(value.typeName()))
                               : QStringLiteral("(none)");
    }
}

} // namespace

PageBridge::PageBridge(std::function<void(int, const QString&)> onExit,
                       std::function<bool(const QString&)> onScreenshot, QObject* parent)
    : QObject(parent), m_onExit(std::move(onExit)), m_onScreenshot(std::move(onScreenshot)) {}

void PageBridge::exit(const QVariant& code) {
    // Script numbers arrive as doubles; a string or a fraction converted the lenient way would
    // become 0 and turn a broken page into a pass.
    const bool isNumber = code.userType() == QMetaType::Double || code.userType() == QMetaType::Int;
    const double value = isNumber ? code.toDouble() : -1;
    if (!isNumber || !std::isfinite(value) || value != std::floor(value) || value < 0 ||
        value > kMaxPageCode) {
        m_onExit(-1, describe(code));
        return;
    }
    m_onExit(static_cast<int>(value), QString());
}

void PageBridge::exit() {
    m_onExit(-1, QStringLiteral("(none)"));
}

bool PageBridge::screenshot(const QString& path) {
    return m_onScreenshot(path);
}

} // namespace nvhost
