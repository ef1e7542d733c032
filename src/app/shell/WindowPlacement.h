#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <optional>

namespace vambrel {

// The main window's stored placement: whole twips, 15 to the pixel, under "StartUp".
class WindowPlacement {
public:
    static constexpr int kTwipsPerPixel = 15;

    static int toTwips(int pixels) { return pixels * kTwipsPerPixel; }
    static int toPixels(int twips) { return twips / kTwipsPerPixel; }

    // The stored rectangle in pixels; none when "Height" is empty or a value is not a whole number.
    static std::optional<QRect> fromTexts(const QString& height, const QString& width, const QString& top,
                                          const QString& left);

    // A rectangle that can be seen and grabbed: kept when a good part of it lies on one of the
    // screens, otherwise shrunk to fit and moved onto the first screen.
    static QRect onScreen(const QRect& wanted, const QList<QRect>& screens);

    // Reads and writes the four settings.
    static std::optional<QRect> load();
    static void save(const QRect& pixels);
};

} // namespace vambrel
