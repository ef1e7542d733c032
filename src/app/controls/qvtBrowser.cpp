#include "qvtBrowser.h"

#include "ControlError.h"
#include "ControlInput.h"
#include "frmBrowse.h"
#include "qvtRepertoire.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>

namespace vambrel {

namespace {

const QString kClassName = QStringLiteral("qvtBrowser");

QColor colorOf(quint32 ole, const QPalette& palette) {
    if (ole & 0x80000000u) {
        switch (ole & 0xFFu) {
        case 5:
            return palette.color(QPalette::Base);
        case 13:
            return palette.color(QPalette::Highlight);
        case 14:
            return palette.color(QPalette::HighlightedText);
        case 15:
            return palette.color(QPalette::Button);
        case 18:
            return palette.color(QPalette::ButtonText);
        default:
            return palette.color(QPalette::Text);
        }
    }
    return QColor(int(ole & 0xFFu), int((ole >> 8) & 0xFFu), int((ole >> 16) & 0xFFu));
}

} // namespace

qvtBrowser::qvtBrowser(QWidget* parent)
    : QWidget(parent), m_text(new QLineEdit(this)), m_open(new QToolButton(this)) {
    m_text->setObjectName(QStringLiteral("Text1"));
    m_open->setObjectName(QStringLiteral("cmdOpen"));
    m_open->setText(QStringLiteral("..."));
    m_open->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_open->setFocusPolicy(Qt::NoFocus);
    m_open->setCursor(Qt::ArrowCursor);
    m_open->raise();
    setFocusProxy(m_text);
    setFixedHeight(kHeight);
    m_text->installEventFilter(this);
    connect(m_open, &QToolButton::clicked, this, &qvtBrowser::cmdOpen_Click);
    connect(m_text, &QLineEdit::textChanged, this, [this] { Q_EMIT Change(); });
    applyColors();
}

QSize qvtBrowser::sizeHint() const {
    return QSize(m_text->sizeHint().width(), kHeight);
}

void qvtBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_text->setGeometry(0, 0, width(), height());
    // A square inside the right end of the box, two pixels from its top and right edges.
    const int side = std::max(1, kHeight - 4);
    m_open->setGeometry(width() - side - 2, 2, side, side);
    m_text->setTextMargins(0, 0, side + 2, 0);
}

// ---- the browse button ----

void qvtBrowser::cmdOpen_Click() {
    Q_EMIT ButtonClick();
    if (!m_browseFolder)
        return;
    frmBrowse chooser(window());
    chooser.setWindowTitle(m_windowCaption);
    if (!chooser.qvtRep()->OpenAFolder(Text()))
        chooser.qvtRep()->OpenAFolder(qvtRepertoire::DefaultDrive());
    chooser.exec();
    const QString chosen = chooser.Tag();
    if (chosen.isEmpty())
        return;
    m_text->setText(chosen);
    Q_EMIT OnSelectFolder();
}

bool qvtBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (KeyCodeOf(key->key()) == 40 && ShiftStateOf(key->modifiers()) == 4) {
            cmdOpen_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- the control's own surface ----

void qvtBrowser::keyPressEvent(QKeyEvent* event) {
    Q_EMIT KeyDown(KeyCodeOf(event->key()), ShiftStateOf(event->modifiers()));
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).unicode() < 256)
        Q_EMIT KeyPress(text.at(0).unicode());
    // Return and Escape go on to the dialog around the box, as in any text box: its default or
    // cancel button answers them.
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
        event->ignore();
}

void qvtBrowser::keyReleaseEvent(QKeyEvent* event) {
    Q_EMIT KeyUp(KeyCodeOf(event->key()), ShiftStateOf(event->modifiers()));
}

void qvtBrowser::mousePressEvent(QMouseEvent* event) {
    m_pressed = true;
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseDown(ButtonCodeOf(event->button()), ShiftStateOf(event->modifiers()), p.x(), p.y());
}

void qvtBrowser::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseMove(ButtonCodeOf(event->buttons()), ShiftStateOf(event->modifiers()), p.x(), p.y());
}

void qvtBrowser::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseUp(ButtonCodeOf(event->button()), ShiftStateOf(event->modifiers()), p.x(), p.y());
    if (m_pressed && rect().contains(p))
        Q_EMIT Click();
    m_pressed = false;
}

void qvtBrowser::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_UNUSED(event);
    Q_EMIT DblClick();
}

// ---- properties ----

void qvtBrowser::applyColors() {
    QPalette palette = m_text->palette();
    const QPalette standard = QApplication::palette(m_text);
    palette.setColor(QPalette::Base, colorOf(m_backColor, standard));
    palette.setColor(QPalette::Text, colorOf(m_foreColor, standard));
    m_text->setPalette(palette);
}

void qvtBrowser::setBackColor(quint32 color) {
    m_backColor = color;
    applyColors();
    markChanged(QStringLiteral("BackColor"));
}

void qvtBrowser::setForeColor(quint32 color) {
    m_foreColor = color;
    applyColors();
    markChanged(QStringLiteral("ForeColor"));
}

bool qvtBrowser::Enabled() const {
    return m_text->isEnabled();
}

void qvtBrowser::setEnabled(bool enabled) {
    m_text->setEnabled(enabled);
    m_open->setEnabled(enabled);
    markChanged(QStringLiteral("Enabled"));
}

QFont qvtBrowser::Font() const {
    return m_text->font();
}

void qvtBrowser::setFont(const QFont& font) {
    m_text->setFont(font);
    markChanged(QStringLiteral("Font"));
}

void qvtBrowser::changeFont(const std::function<void(QFont&)>& change, const char* name) {
    QFont font = m_text->font();
    change(font);
    m_text->setFont(font);
    markChanged(QString::fromLatin1(name));
}

bool qvtBrowser::FontUnderline() const {
    return m_text->font().underline();
}
void qvtBrowser::setFontUnderline(bool on) {
    changeFont([on](QFont& f) { f.setUnderline(on); }, "FontUnderline");
}
bool qvtBrowser::FontStrikethru() const {
    return m_text->font().strikeOut();
}
void qvtBrowser::setFontStrikethru(bool on) {
    changeFont([on](QFont& f) { f.setStrikeOut(on); }, "FontStrikethru");
}
double qvtBrowser::FontSize() const {
    return m_text->font().pointSizeF();
}
void qvtBrowser::setFontSize(double points) {
    if (!(points > 0 && points <= 2160))
        throw ControlError::invalidPropertyValue(kClassName);
    changeFont([points](QFont& f) { f.setPointSizeF(points); }, "FontSize");
}
QString qvtBrowser::FontName() const {
    return m_text->font().family();
}
void qvtBrowser::setFontName(const QString& name) {
    changeFont([&name](QFont& f) { f.setFamily(name); }, "FontName");
}
bool qvtBrowser::FontItalic() const {
    return m_text->font().italic();
}
void qvtBrowser::setFontItalic(bool on) {
    changeFont([on](QFont& f) { f.setItalic(on); }, "FontItalic");
}
bool qvtBrowser::FontBold() const {
    return m_text->font().bold();
}
void qvtBrowser::setFontBold(bool on) {
    changeFont([on](QFont& f) { f.setBold(on); }, "FontBold");
}

void qvtBrowser::setBorderStyle(int style) {
    if (style < 0 || style > 1)
        throw ControlError::invalidPropertyValue(kClassName);
    m_borderStyle = style;
    m_text->setFrame(style == 1);
    markChanged(QStringLiteral("BorderStyle"));
}

void qvtBrowser::setAppearance(int appearance) {
    if (appearance < 0 || appearance > 1)
        throw ControlError::invalidPropertyValue(kClassName);
    m_appearance = appearance;
    markChanged(QStringLiteral("Appearance"));
}

void qvtBrowser::Refresh() {
    m_text->update();
    m_open->update();
}

WId qvtBrowser::hwnd() const {
    return m_text->winId();
}

bool qvtBrowser::Locked() const {
    return m_text->isReadOnly();
}

void qvtBrowser::setLocked(bool locked) {
    m_text->setReadOnly(locked);
    markChanged(QStringLiteral("Locked"));
}

void qvtBrowser::setMaxLength(int length) {
    if (length < 0)
        throw ControlError::invalidPropertyValue(kClassName);
    m_maxLength = length;
    m_text->setMaxLength(length == 0 ? 32767 : length);
    markChanged(QStringLiteral("MaxLength"));
}

void qvtBrowser::applyPointer() {
    ApplyMousePointer(m_text, m_mousePointer, m_mouseIcon);
}

void qvtBrowser::setMousePointer(int pointer) {
    if (!IsMousePointer(pointer))
        throw ControlError::invalidPropertyValue(kClassName);
    m_mousePointer = pointer;
    applyPointer();
    markChanged(QStringLiteral("MousePointer"));
}

void qvtBrowser::setMouseIcon(const QPixmap& icon) {
    m_mouseIcon = icon;
    applyPointer();
    markChanged(QStringLiteral("MouseIcon"));
}

QString qvtBrowser::SelText() const {
    return m_text->selectedText();
}

void qvtBrowser::setSelText(const QString& text) {
    m_text->insert(text);
    markChanged(QStringLiteral("SelText"));
}

int qvtBrowser::SelStart() const {
    return m_text->hasSelectedText() ? m_text->selectionStart() : m_text->cursorPosition();
}

void qvtBrowser::setSelStart(int start) {
    if (start < 0)
        throw ControlError::invalidPropertyValue(kClassName);
    m_text->setCursorPosition(std::min(start, int(m_text->text().size())));
    markChanged(QStringLiteral("SelStart"));
}

int qvtBrowser::SelLength() const {
    return int(m_text->selectedText().size());
}

void qvtBrowser::setSelLength(int length) {
    if (length < 0)
        throw ControlError::invalidPropertyValue(kClassName);
    const int start = SelStart();
    m_text->setSelection(start, std::min(length, int(m_text->text().size()) - start));
    markChanged(QStringLiteral("SelLength"));
}

QString qvtBrowser::Text() const {
    return m_text->text();
}

void qvtBrowser::setText(const QString& text) {
    m_text->setText(text);
    markChanged(QStringLiteral("Text"));
}

QString qvtBrowser::ToolTipText() const {
    return m_text->toolTip();
}

void qvtBrowser::setToolTipText(const QString& text) {
    m_text->setToolTip(text);
    markChanged(QStringLiteral("ToolTipText"));
}

void qvtBrowser::setWindowCaption(const QString& caption) {
    m_windowCaption = caption;
    markChanged(QStringLiteral("WindowCaption"));
}

void qvtBrowser::setBrowseFolder(bool on) {
    m_browseFolder = on;
    markChanged(QStringLiteral("BrowseFolder"));
}

// ---- persistence ----

void qvtBrowser::InitProperties() {
    m_windowCaption = kDefaultCaption;
    m_browseFolder = true;
}

void qvtBrowser::ReadProperties(const PropertyBag& bag) {
    auto read = [&bag](const char* name, const QVariant& fallback) {
        return bag.readProperty(QString::fromLatin1(name), fallback);
    };
    m_backColor = read("BackColor", 0xFFFFFFu).toUInt();
    m_foreColor = read("ForeColor", kWindowTextColor).toUInt();
    applyColors();
    const bool enabled = read("Enabled", false).toBool();
    m_text->setEnabled(enabled);
    m_open->setEnabled(enabled);
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    const QVariant fontValue = read("Font", ambient);
    QFont font = fontValue.canConvert<QFont>() ? fontValue.value<QFont>() : ambient;
    const int border = read("BorderStyle", 1).toInt();
    m_borderStyle = border == 0 ? 0 : 1;
    m_text->setFrame(m_borderStyle == 1);
    const int appearance = read("Appearance", 1).toInt();
    m_appearance = appearance == 0 ? 0 : 1;
    // The separate font values refine Font; their zero or empty defaults leave it alone.
    if (read("FontUnderline", 0).toInt() != 0)
        font.setUnderline(true);
    if (read("FontStrikethru", 0).toInt() != 0)
        font.setStrikeOut(true);
    const double size = read("FontSize", 0).toDouble();
    if (size > 0)
        font.setPointSizeF(size);
    const QString family = read("FontName", QString()).toString();
    if (!family.isEmpty())
        font.setFamily(family);
    if (read("FontItalic", 0).toInt() != 0)
        font.setItalic(true);
    if (read("FontBold", 0).toInt() != 0)
        font.setBold(true);
    m_text->setFont(font);
    m_text->setReadOnly(read("Locked", false).toBool());
    m_maxLength = std::max(0, read("MaxLength", 0).toInt());
    m_text->setMaxLength(m_maxLength == 0 ? 32767 : m_maxLength);
    const int pointer = read("MousePointer", 0).toInt();
    m_mousePointer = IsMousePointer(pointer) ? pointer : 0;
    m_mouseIcon = read("MouseIcon", QPixmap()).value<QPixmap>();
    applyPointer();
    m_text->setText(read("Text", QString()).toString());
    // SelText is the selected part of Text: reading it back would type it twice.
    const int selStart = std::max(0, read("SelStart", 0).toInt());
    const int selLength = std::max(0, read("SelLength", 0).toInt());
    const int length = int(m_text->text().size());
    m_text->setSelection(std::min(selStart, length),
                         std::min(selLength, length - std::min(selStart, length)));
    m_text->setToolTip(read("ToolTipText", QString()).toString());
    m_windowCaption = read("WindowCaption", kDefaultCaption).toString();
    m_browseFolder = read("BrowseFolder", true).toBool();
}

void qvtBrowser::WriteProperties(PropertyBag& bag) const {
    const QFont font = m_text->font();
    bag.writeProperty(QStringLiteral("BackColor"), m_backColor);
    bag.writeProperty(QStringLiteral("ForeColor"), m_foreColor);
    bag.writeProperty(QStringLiteral("Enabled"), m_text->isEnabled());
    bag.writeProperty(QStringLiteral("Font"), font);
    bag.writeProperty(QStringLiteral("BorderStyle"), m_borderStyle);
    bag.writeProperty(QStringLiteral("Appearance"), m_appearance);
    bag.writeProperty(QStringLiteral("FontUnderline"), font.underline() ? 1 : 0);
    bag.writeProperty(QStringLiteral("FontStrikethru"), font.strikeOut() ? 1 : 0);
    bag.writeProperty(QStringLiteral("FontSize"), font.pointSizeF());
    bag.writeProperty(QStringLiteral("FontName"), font.family());
    bag.writeProperty(QStringLiteral("FontItalic"), font.italic() ? 1 : 0);
    bag.writeProperty(QStringLiteral("FontBold"), font.bold() ? 1 : 0);
    bag.writeProperty(QStringLiteral("Locked"), m_text->isReadOnly());
    bag.writeProperty(QStringLiteral("MaxLength"), m_maxLength);
    bag.writeProperty(QStringLiteral("MousePointer"), m_mousePointer);
    bag.writeProperty(QStringLiteral("MouseIcon"), m_mouseIcon);
    bag.writeProperty(QStringLiteral("SelText"), m_text->selectedText());
    bag.writeProperty(QStringLiteral("SelStart"), SelStart());
    bag.writeProperty(QStringLiteral("SelLength"), SelLength());
    bag.writeProperty(QStringLiteral("Text"), m_text->text());
    bag.writeProperty(QStringLiteral("ToolTipText"), m_text->toolTip());
    bag.writeProperty(QStringLiteral("WindowCaption"), m_windowCaption);
    bag.writeProperty(QStringLiteral("BrowseFolder"), m_browseFolder);
}

} // namespace vambrel
