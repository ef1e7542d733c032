#pragma once

#include "LightLayout.h"
#include "ProgressControl.h"

namespace vambrel {

// A progress bar made of separate lights that come on one by one. Its size snaps to a whole
// number of lights (at least three).
class LightProgress : public ProgressControl {
    Q_OBJECT

public:
    explicit LightProgress(QWidget* parent = nullptr);

    int LightColor() const { return m_lightColor; }
    void setLightColor(int palette); // 0 green, 1 red, 2 blue, 3 grey
    int LightWidth() const { return m_lightWidth; }
    void setLightWidth(int width); // 1..255 pixels

    const LightLayout& layout() {
        syncLayout();
        return m_layout;
    }
    // Lights drawn lit at the last redraw.
    int litCount() {
        syncLayout();
        return m_lit;
    }

    void InitProperties() override;
    void ReadProperties(const PropertyBag& bag) override;
    void WriteProperties(PropertyBag& bag) const override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void relayout() override;
    void valueChanged() override;
    void paintBar(QPainter& painter, const QRect& dirty) override;

private:
    int m_lightColor = 0;
    int m_lightWidth = 5;
    LightLayout m_layout;
    int m_lit = 0;
    bool m_snapping = false;
};

} // namespace vambrel
