#pragma once

#include "SplitterLayout.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;

namespace vambrel {

// Divides a parent window into a left and a right pane with a vertical bar that the user drags.
// The split is kept as a proportion of the parent's width so that it follows resizing.
class cVSplitter : public QObject {
    Q_OBJECT

public:
    using MessageHandler = std::function<void(const QString& text)>;

    explicit cVSplitter(QObject* parent = nullptr);
    ~cVSplitter() override;

    // Attaches the bar and the two panes to `parent`; both panes must be widgets. Shows a message
    // and stays unattached otherwise.
    bool SetControls(QWidget* bar, QObject* left, QObject* right, QWidget* parent);
    bool attached() const { return !m_parent.isNull(); }

    int Left() const { return m_layout.left(); }
    void setLeft(int left); // ignored when negative
    int Width() const { return m_layout.barWidth(); }
    void setWidth(int width); // ignored when 0
    int Top() const { return m_layout.top(); }
    void setTop(int top); // ignored when negative
    int HeightOffset() const { return m_layout.heightOffset(); }
    void setHeightOffset(int offset); // ignored when negative
    bool TrackSplit() const { return m_trackSplit; }
    void setTrackSplit(bool on) { m_trackSplit = on; }
    bool Splitting() const { return m_splitting; }
    // Ends a drag in progress at the position it reached.
    void CancelSplit();

    // Lays the panes out again, for owners that changed the margins.
    void layout();

    float proportion() const { return m_layout.proportion(); }
    int minPaneWidth() const { return m_layout.minPaneWidth(); }
    // The inverted bar shown while dragging without TrackSplit, in parent coordinates; null otherwise.
    QRect ghostRect() const;
    // Where messages go; by default a message box over the parent.
    void setMessageHandler(MessageHandler handler) { m_message = std::move(handler); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void detach();
    void beginDrag(int xInBar);
    void dragTo(int xInParent);
    void endDrag();
    void drawGhost(int left);
    void eraseGhost();
    void apply();

    QPointer<QWidget> m_bar;
    QPointer<QWidget> m_left;
    QPointer<QWidget> m_right;
    QPointer<QWidget> m_parent;
    QPointer<QLabel> m_ghost;
    SplitterLayout m_layout;
    MessageHandler m_message;
    bool m_trackSplit = false;
    bool m_splitting = false;
    int m_grabOffset = 0;
};

} // namespace vambrel
