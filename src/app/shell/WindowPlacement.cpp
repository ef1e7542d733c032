#include "WindowPlacement.h"

#include "mSettings.h"

#include <algorithm>

namespace vambrel {

namespace {

const QString kHeight = QStringLiteral("Height");
const QString kWidth = QStringLiteral("Width");
const QString kTop = QStringLiteral("Top");
const QString kLeft = QStringLiteral("Left");

// Enough of the window to grab its title bar.
constexpr int kVisibleWidth = 100;
constexpr int kVisibleHeight = 40;
constexpr int kMinimumSize = 120;

} // namespace

std::optional<QRect> WindowPlacement::fromTexts(const QString& height, const QString& width,
                                                const QString& top, const QString& left) {
    if (height.trimmed().isEmpty())
        return std::nullopt;
    bool ok[4] = {};
    const int h = height.trimmed().toInt(&ok[0]);
    const int w = width.trimmed().toInt(&ok[1]);
    const int t = top.trimmed().toInt(&ok[2]);
    const int l = left.trimmed().toInt(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || h <= 0 || w <= 0)
        return std::nullopt;
    return QRect(toPixels(l), toPixels(t), std::max(1, toPixels(w)), std::max(1, toPixels(h)));
}

QRect WindowPlacement::onScreen(const QRect& wanted, const QList<QRect>& screens) {
    if (screens.isEmpty())
        return wanted;
    for (const QRect& screen : screens) {
        const QRect seen = screen.intersected(wanted);
        // The top edge must be on this screen, with room to grab it.
        if (seen.width() >= std::min(kVisibleWidth, wanted.width()) &&
            seen.height() >= std::min(kVisibleHeight, wanted.height()) && wanted.top() >= screen.top())
            return wanted;
    }
    const QRect& screen = screens.first();
    QRect fitted(QPoint(0, 0), wanted.size()
                                   .boundedTo(screen.size())
                                   .expandedTo(QSize(kMinimumSize, kMinimumSize))
                                   .boundedTo(screen.size()));
    fitted.moveTopLeft(screen.topLeft() + QPoint((screen.width() - fitted.width()) / 2,
                                                 (screen.height() - fitted.height()) / 2));
    return fitted;
}

std::optional<QRect> WindowPlacement::load() {
    const QString height = GetSetting(kAppName, kSectionStartUp, kHeight);
    if (height.isEmpty())
        return std::nullopt;
    return fromTexts(height, GetSetting(kAppName, kSectionStartUp, kWidth),
                     GetSetting(kAppName, kSectionStartUp, kTop),
                     GetSetting(kAppName, kSectionStartUp, kLeft));
}

void WindowPlacement::save(const QRect& pixels) {
    SaveSetting(kAppName, kSectionStartUp, kHeight, QString::number(toTwips(pixels.height())));
    SaveSetting(kAppName, kSectionStartUp, kWidth, QString::number(toTwips(pixels.width())));
    SaveSetting(kAppName, kSectionStartUp, kTop, QString::number(toTwips(pixels.y())));
    SaveSetting(kAppName, kSectionStartUp, kLeft, QString::number(toTwips(pixels.x())));
}

} // namespace vambrel
