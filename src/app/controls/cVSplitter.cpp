#include "cVSplitter.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>

namespace vambrel {

namespace {

// The text a control shows for itself in messages: its name, else its class.
QString defaultText(const QObject* object) {
    if (!object)
        return QStringLiteral("Nothing");
    return object->objectName().isEmpty() ? QString::fromLatin1(object->metaObject()->className())
                                          : object->objectName();
}

} // namespace

cVSplitter::cVSplitter(QObject* parent) : QObject(parent) {}

cVSplitter::~cVSplitter() {
    detach();
}

void cVSplitter::detach() {
    if (m_splitting)
        CancelSplit();
    if (m_bar)
        m_bar->removeEventFilter(this);
    if (m_parent)
        m_parent->removeEventFilter(this);
    delete m_ghost;
    m_bar = m_left = m_right = m_parent = nullptr;
}

bool cVSplitter::SetControls(QWidget* bar, QObject* left, QObject* right, QWidget* parent) {
    for (QObject* pane : {left, right}) {
        if (!qobject_cast<QWidget*>(pane)) {
            const QString text =
                defaultText(pane) + QStringLiteral(" must be a window (have a window handle).");
            if (m_message)
                m_message(text);
            else
                QMessageBox::warning(parent, QApplication::applicationDisplayName(), text);
            return false;
        }
    }
    if (!bar || !parent)
        return false;
    detach();
    m_bar = bar;
    m_left = qobject_cast<QWidget*>(left);
    m_right = qobject_cast<QWidget*>(right);
    m_parent = parent;

    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Active, QPalette::Mid));
    bar->setPalette(palette);
    bar->setAutoFillBackground(true);
    bar->setCursor(Qt::SizeHorCursor);
    bar->raise();

    const auto* frame = qobject_cast<const QFrame*>(parent);
    m_layout.setParentHasClientEdgeAndBorder(frame && frame->frameWidth() > 0);
    bar->installEventFilter(this);
    parent->installEventFilter(this);
    apply();
    return true;
}

void cVSplitter::setLeft(int left) {
    if (left < 0)
        return;
    m_layout.setLeft(left, m_parent ? m_parent->width() : 0);
    apply();
}

void cVSplitter::setWidth(int width) {
    if (width == 0)
        return;
    m_layout.setBarWidth(width);
    apply();
}

void cVSplitter::setTop(int top) {
    if (top < 0)
        return;
    m_layout.setTop(top);
    apply();
}

void cVSplitter::setHeightOffset(int offset) {
    if (offset < 0)
        return;
    m_layout.setHeightOffset(offset);
    apply();
}

void cVSplitter::layout() {
    apply();
}

void cVSplitter::apply() {
    if (!m_parent || !m_bar || !m_left || !m_right)
        return;
    const auto g = m_layout.layout(m_parent->size(), m_bar->x());
    if (!g)
        return;
    m_left->setGeometry(g->left);
    m_right->setGeometry(g->right);
    m_bar->setGeometry(g->bar);
    m_bar->raise();
}

QRect cVSplitter::ghostRect() const {
    return m_ghost && !m_ghost->isHidden() ? m_ghost->geometry() : QRect();
}

void cVSplitter::drawGhost(int left) {
    if (!m_parent || !m_bar)
        return;
    const QRect r(left, m_bar->y(), m_bar->width(), m_bar->height());
    if (!m_ghost) {
        m_ghost = new QLabel(m_parent);
        m_ghost->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    // The ghost shows the inverse of what lies under it; hiding it restores the screen.
    m_ghost->hide();
    QImage under = m_parent->grab(r).toImage();
    under.invertPixels();
    m_ghost->setPixmap(QPixmap::fromImage(under));
    m_ghost->setGeometry(r);
    m_ghost->raise();
    m_ghost->show();
}

void cVSplitter::eraseGhost() {
    if (m_ghost)
        m_ghost->hide();
}

void cVSplitter::beginDrag(int xInBar) {
    m_splitting = true;
    m_grabOffset = std::clamp(xInBar, 0, m_bar->width());
    // The bar's left edge is the first candidate: pressing without moving changes nothing.
    const int candidate = m_layout.clamp(m_bar->x(), m_parent->width());
    if (!m_trackSplit)
        drawGhost(candidate);
    m_bar->grabKeyboard();
}

void cVSplitter::dragTo(int xInParent) {
    if (!m_trackSplit)
        eraseGhost();
    m_layout.dragTo(xInParent - m_grabOffset, m_parent->width());
    if (m_trackSplit)
        apply();
    else
        drawGhost(m_layout.left());
}

void cVSplitter::endDrag() {
    if (!m_trackSplit)
        eraseGhost();
    m_splitting = false;
    if (m_bar)
        m_bar->releaseKeyboard();
    apply();
}

void cVSplitter::CancelSplit() {
    if (!m_splitting)
        return;
    endDrag();
}

bool cVSplitter::eventFilter(QObject* watched, QEvent* event) {
    // Event types first: the watched widgets must not be touched while they are being destroyed.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::Resize:
        break;
    default:
        return QObject::eventFilter(watched, event);
    }
    if (watched == m_bar && m_parent) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton && !m_splitting) {
                beginDrag(e->position().toPoint().x());
                return true;
            }
            break;
        }
        case QEvent::MouseMove:
            if (m_splitting) {
                auto* e = static_cast<QMouseEvent*>(event);
                dragTo(m_bar->mapTo(m_parent, e->position().toPoint()).x());
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (m_splitting && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                endDrag();
                return true;
            }
            break;
        case QEvent::KeyPress:
            if (m_splitting && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                CancelSplit();
                return true;
            }
            break;
        default:
            break;
        }
    } else if (watched == m_parent) {
        if (event->type() == QEvent::Resize && !m_parent->window()->isMinimized()) {
            apply();
        } else if (event->type() == QEvent::KeyPress && m_splitting &&
                   static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            CancelSplit();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vambrel
