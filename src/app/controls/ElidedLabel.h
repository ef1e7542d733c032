#pragma once

#include <QLabel>

namespace vambrel {

// A one-line value that takes the width it is given: a text too long for it is cut with "..."
// and shown whole in the tooltip (set when it is painted cut). text() is always the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // The text as drawn in `width` pixels with this label's font.
    QString shownText(int width) const;
    bool isCut() const { return shownText(contentsRect().width()) != text(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The longest start of `text` followed by "..." that fits in `width`; the whole text when it
    // fits, "..." alone when nothing more does.
    static QString cut(const QString& text, const QFontMetrics& metrics, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vambrel
