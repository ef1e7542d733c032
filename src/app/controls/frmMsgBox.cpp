#include "frmMsgBox.h"

#include "AppInfo.h"
#include "ControlError.h"
#include "DialogFlags.h"
#include "MsgBoxButtonSet.h"
#include "MsgBoxLayout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace vambrel {

namespace {
QString source() {
    return QStringLiteral("frmMsgBox");
}
constexpr int PictureSize = 32;
} // namespace

frmMsgBox::frmMsgBox(QWidget* parent)
    : QDialog(parent, kDialogFlags), m_picture(new QLabel(this)), m_message(new QLabel(this)) {
    setModal(true);
    setWindowTitle(AppInfo::productName());
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_picture->hide();
}

QPixmap frmMsgBox::stockPicture(int type, const QWidget* context) {
    struct Stock {
        const char* themeName;
        QStyle::StandardPixmap fallback;
    };
    static const Stock stock[] = {{"dialog-error", QStyle::SP_MessageBoxCritical},
                                  {"dialog-question", QStyle::SP_MessageBoxQuestion},
                                  {"dialog-warning", QStyle::SP_MessageBoxWarning},
                                  {"dialog-information", QStyle::SP_MessageBoxInformation}};
    if (type < 1 || type > 4)
        return {};
    const Stock& s = stock[type - 1];
    const QStyle* style = context ? context->style() : QApplication::style();
    const QIcon icon = QIcon::fromTheme(QLatin1String(s.themeName), style->standardIcon(s.fallback));
    return icon.pixmap(PictureSize, PictureSize);
}

QPushButton* frmMsgBox::addButton(const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(true);
    connect(b, &QPushButton::clicked, this, [this, b] { press(b); });
    m_buttons << b;
    // The help button stays last.
    if (m_help)
        QWidget::setTabOrder(b, m_help);
    if (isVisible())
        b->show();
    return b;
}

void frmMsgBox::removeHelp() {
    delete m_help;
    m_help = nullptr;
}

void frmMsgBox::setFormType(int formType) {
    if (formType < 0 || formType > MsgBoxButtonSet::MaxFormType)
        throw ControlError::invalidPropertyValue(source());
    qDeleteAll(m_buttons);
    m_buttons.clear();
    removeHelp();
    m_formType = formType;
    const MsgBoxButtonSet set = MsgBoxButtonSet::forType(formType);
    for (const QString& caption : set.captions)
        addButton(caption);
    if (set.defaultButton >= 0)
        m_buttons[set.defaultButton]->setDefault(true);
    m_cancel = set.cancelButton;
    if (m_focusedButton > m_buttons.size())
        m_focusedButton = 0;
    if (m_helpButton)
        setHelpButton(true);
    arrange();
}

QString frmMsgBox::ButtonCaption(int i) const {
    if (i < 1 || i > m_buttons.size())
        throw ControlError::subscriptOutOfRange(source());
    return m_buttons[i - 1]->text();
}

void frmMsgBox::setButtonCaption(int i, const QString& caption) {
    if (i < 1 || i > m_buttons.size() + 1)
        throw ControlError::subscriptOutOfRange(source());
    if (i == m_buttons.size() + 1)
        addButton(caption);
    else
        m_buttons[i - 1]->setText(caption);
    arrange();
}

void frmMsgBox::ClearAllButtons() {
    qDeleteAll(m_buttons);
    m_buttons.clear();
    removeHelp();
    m_cancel = -1;
    m_focusedButton = 0;
    arrange();
}

void frmMsgBox::setHelpButton(bool on) {
    m_helpButton = on;
    if (on && !m_help) {
        m_help = new QPushButton(QStringLiteral("Aide"), this);
        m_help->setAutoDefault(true);
        connect(m_help, &QPushButton::clicked, this, &frmMsgBox::sendHelpKey);
        if (isVisible())
            m_help->show();
    } else if (!on) {
        removeHelp();
    }
    arrange();
}

void frmMsgBox::setFocusedButton(int position) {
    const int count = int(m_buttons.size()) + (m_help ? 1 : 0);
    if (position < 0 || position > count)
        return;
    m_focusedButton = position;
}

QPushButton* frmMsgBox::button(int i) const {
    if (i >= 1 && i <= m_buttons.size())
        return m_buttons[i - 1];
    if (m_help && i == m_buttons.size() + 1)
        return m_help;
    return nullptr;
}

void frmMsgBox::setPictureType(int type) {
    if (type < 0 || type > 4)
        throw ControlError::invalidPropertyValue(source());
    m_pictureType = type;
    m_picture->setPixmap(stockPicture(type, this));
    arrange();
}

void frmMsgBox::setCustomPicture(const QPixmap& picture) {
    m_picture->setPixmap(picture);
    arrange();
}

QString frmMsgBox::Message() const {
    return m_message->text();
}

void frmMsgBox::setMessage(const QString& text) {
    m_message->setText(text);
    arrange();
}

QString frmMsgBox::buttonTag(int i) const {
    return i >= 1 && i <= m_buttons.size() ? QString::number(i) : QString();
}

QString frmMsgBox::ShowModal() {
    m_tag.clear();
    exec();
    return m_tag;
}

void frmMsgBox::press(QPushButton* b) {
    m_tag = buttonTag(int(m_buttons.indexOf(b)) + 1);
    done(m_tag.toInt());
}

void frmMsgBox::sendHelpKey() {
    // F1 goes to the program's window behind the box; the box stays open.
    QWidget* target = parentWidget() ? parentWidget() : this;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier));
}

void frmMsgBox::reject() {
    // Escape answers with the cancel button; a set without one ignores it.
    if (m_cancel >= 0 && m_cancel < m_buttons.size())
        press(m_buttons[m_cancel]);
}

void frmMsgBox::closeEvent(QCloseEvent* event) {
    if (m_cancel >= 0 && m_cancel < m_buttons.size()) {
        press(m_buttons[m_cancel]);
        return;
    }
    m_tag.clear();
    QDialog::closeEvent(event);
}

void frmMsgBox::showEvent(QShowEvent* event) {
    arrange();
    QDialog::showEvent(event);
    if (QPushButton* b = button(m_focusedButton))
        b->setFocus(Qt::ActiveWindowFocusReason);
}

void frmMsgBox::arrange() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QPixmap picture = m_picture->pixmap();
    const QSize pictureSize = picture.isNull() ? QSize() : picture.deviceIndependentSize().toSize();
    m_picture->setVisible(!picture.isNull());

    const int maxWidth = MsgBoxLayout::maxMessageWidth(available.width());
    const QSize messageSize =
        m_message->fontMetrics()
            .boundingRect(QRect(0, 0, maxWidth, 100000), Qt::TextWordWrap, m_message->text())
            .size();

    QList<QPushButton*> all = m_buttons;
    if (m_help)
        all << m_help;
    QSize buttonSize(0, 0);
    for (QPushButton* b : all)
        buttonSize = buttonSize.expandedTo(b->sizeHint());

    // The frame around the client area counts against the screen too.
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    const auto r = MsgBoxLayout::arrange(pictureSize, messageSize, buttonSize, int(all.size()),
                                         available.size() - frameExtra);
    m_picture->setGeometry(r.picture);
    m_message->setGeometry(r.message);
    for (int i = 0; i < all.size(); ++i)
        all[i]->setGeometry(r.buttons[i]);
    setFixedSize(r.box);

    QRect frame(frameGeometry().topLeft(), r.box + frameExtra);
    if (!isVisible() && parentWidget())
        frame.moveCenter(parentWidget()->window()->frameGeometry().center());
    else if (!isVisible())
        frame.moveCenter(available.center());
    move(MsgBoxLayout::keepOnScreen(frame, available).topLeft());
}

} // namespace vambrel
