#pragma once

#include "PropertyBag.h"

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

namespace vambrel {

// A one-line box for a folder path with a small browse button at its right end. The button, or
// Alt+Down in the box, opens the folder chooser on the typed path (on the default drive when the
// path is no folder); a folder chosen there replaces the text. Colours are given as the host
// stores them: 0x00BBGGRR, or 0x800000nn for a system colour.
class qvtBrowser : public QWidget {
    Q_OBJECT

public:
    static constexpr quint32 kWindowTextColor = 0x80000008u;
    static inline const QString kDefaultCaption = QStringLiteral("Choisir un répertoire");
    // Height of the control: 285 twips.
    static constexpr int kHeight = 19;

    explicit qvtBrowser(QWidget* parent = nullptr);

    // Forwarded to Text1; each set reports PropertyChanged.
    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 color);
    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 color);
    bool Enabled() const;
    void setEnabled(bool enabled);
    QFont Font() const;
    void setFont(const QFont& font);
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style); // 0 none, 1 single line
    int Appearance() const { return m_appearance; }
    void setAppearance(int appearance); // 0 flat, 1 sunken
    void Refresh();
    bool FontUnderline() const;
    void setFontUnderline(bool on);
    bool FontStrikethru() const;
    void setFontStrikethru(bool on);
    double FontSize() const;
    void setFontSize(double points);
    QString FontName() const;
    void setFontName(const QString& name);
    bool FontItalic() const;
    void setFontItalic(bool on);
    bool FontBold() const;
    void setFontBold(bool on);
    WId hwnd() const;
    bool Locked() const;
    void setLocked(bool locked); // the user cannot type; the chooser still writes the text
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int length); // 0: no limit
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer); // 0 default, 1 arrow, 2 cross, 3 I-beam, 11 hourglass, 99 MouseIcon...
    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap& icon);
    QString SelText() const;
    void setSelText(const QString& text);
    int SelStart() const;
    void setSelStart(int start);
    int SelLength() const;
    void setSelLength(int length);
    QString Text() const;
    void setText(const QString& text);
    QString ToolTipText() const;
    void setToolTipText(const QString& text);

    QString WindowCaption() const { return m_windowCaption; }
    void setWindowCaption(const QString& caption);
    bool BrowseFolder() const { return m_browseFolder; }
    void setBrowseFolder(bool on);

    QLineEdit* Text1() const { return m_text; }
    QToolButton* cmdOpen() const { return m_open; }

    // The browse button pressed: ButtonClick, then the chooser when BrowseFolder is on.
    void cmdOpen_Click();

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void PropertyChanged(const QString& name);
    void ButtonClick();
    void OnSelectFolder();
    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void Change();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void markChanged(const QString& name) { Q_EMIT PropertyChanged(name); }
    void applyColors();
    void applyPointer();
    void changeFont(const std::function<void(QFont&)>& change, const char* name);

    QLineEdit* m_text;
    QToolButton* m_open;
    quint32 m_backColor = 0xFFFFFFu;
    quint32 m_foreColor = kWindowTextColor;
    int m_borderStyle = 1;
    int m_appearance = 1;
    int m_maxLength = 0;
    int m_mousePointer = 0;
    QPixmap m_mouseIcon;
    QString m_windowCaption = kDefaultCaption;
    bool m_browseFolder = true;
    bool m_pressed = false;
};

} // namespace vambrel
