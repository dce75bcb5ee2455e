// The visible list of attached devices (id 998): a sorted list whose items
// the list paints itself. Each item is one line of text with a colour value
// of its own (RGB in the layout 0x00BBGGRR, kept in Qt::UserRole; 0 means
// the system colours); a selected item gets a blue background, and the item
// height follows the style's check-mark height. The list is no tab stop:
// it takes the focus from the mouse only.
#ifndef TAVIX_GUI_WIDGETS_DEVICE_LIST_BOX_H
#define TAVIX_GUI_WIDGETS_DEVICE_LIST_BOX_H

#include <QColor>
#include <QListWidget>
#include <QStyledItemDelegate>

#include <optional>

// The colour decisions of one item, apart from any drawing so that they
// can be checked on their own.
namespace DeviceItemPaint {

// What a paint request is for: the whole item, a change of its selection,
// or a change of its focus.
enum class DrawAction { DrawEntire, SelectChange, FocusChange };

// The system colours an item falls back on.
struct SystemColours {
    QColor window;        // background of an unselected item
    QColor windowText;    // text of an unselected item
    QColor highlightText; // text of a selected item on blue
    QColor grayText;      // text of a disabled item
};

struct ItemColours {
    QColor text;
    // The colour the item rectangle is filled with first; none leaves the
    // background as it is.
    std::optional<QColor> fill;
    // True when the focus frame is toggled (drawn once, XOR-like).
    bool toggleFocusFrame = false;
};

// The background of a selected item: pure blue, RGB(0, 0, 255).
QColor SelectedBackground();
// A colour value in the layout 0x00BBGGRR as a colour (the top byte is ignored).
QColor FromColourValue(quint32 value);
// RGB(255 - red, 255 - green, 255 - blue) of a colour value, in the same layout.
quint32 InverseColourValue(quint32 value);

// Text colour, fill and focus frame of an item:
// - fill: blue when selected and the whole item or its selection is drawn;
//   the window colour when not selected and its selection changed; else none;
// - focus frame: toggled on every focus change, whether gained or lost;
// - text: with a colour value, the inverse when selected, grey text when
//   disabled, else the colour itself; without one (0), the highlight-text
//   colour when selected, grey text when disabled, else window text.
ItemColours Decide(quint32 colourValue, bool selected, bool disabled, DrawAction action,
                   const SystemColours &system);

} // namespace DeviceItemPaint

// Paints the items of a CMyListBox.
class CMyListBoxDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The system colours of a palette: window = the list's base colour.
    static DeviceItemPaint::SystemColours SystemColoursOf(const QPalette &palette);
};

class CMyListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit CMyListBox(QWidget *parent = nullptr);

    // Adds an item with its colour value (0: system colours); the list keeps
    // its items in alphabetical order, regardless of case. Returns the item.
    QListWidgetItem *AddString(const QString &text, quint32 colourValue = 0);
    // The selected item's index, -1 when none is selected.
    int GetCurSel() const;
    void SetCurSel(int index);
    QString GetText(int index) const;

    // The item height: the style's check-mark (indicator) height.
    int ItemHeight() const;
};

#endif
