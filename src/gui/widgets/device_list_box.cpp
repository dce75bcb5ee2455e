#include "gui/widgets/device_list_box.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

// An entry of the list. Entries are ordered alphabetically, capitals and
// small letters alike; texts that differ only in case keep a fixed order.
class DeviceListItem : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;

    bool operator<(const QListWidgetItem &other) const override
    {
        const QString mine = text();
        const QString theirs = other.text();
        const int order = mine.compare(theirs, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : mine < theirs;
    }
};

} // namespace

namespace DeviceItemPaint {

QColor SelectedBackground()
{
    return QColor(0, 0, 255);
}

QColor FromColourValue(quint32 value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

quint32 InverseColourValue(quint32 value)
{
    const quint32 red = 255 - (value & 0xFF);
    const quint32 green = 255 - ((value >> 8) & 0xFF);
    const quint32 blue = 255 - ((value >> 16) & 0xFF);
    return red | (green << 8) | (blue << 16);
}

ItemColours Decide(quint32 colourValue, bool selected, bool disabled, DrawAction action,
                   const SystemColours &system)
{
    ItemColours colours;
    if (selected && (action == DrawAction::DrawEntire || action == DrawAction::SelectChange))
        colours.fill = SelectedBackground();
    else if (!selected && action == DrawAction::SelectChange)
        colours.fill = system.window;
    colours.toggleFocusFrame = action == DrawAction::FocusChange;

    if (colourValue != 0) {
        if (selected)
            colours.text = FromColourValue(InverseColourValue(colourValue));
        else if (disabled)
            colours.text = system.grayText;
        else
            colours.text = FromColourValue(colourValue);
    } else {
        if (selected)
            colours.text = system.highlightText;
        else if (disabled)
            colours.text = system.grayText;
        else
            colours.text = system.windowText;
    }
    return colours;
}

} // namespace DeviceItemPaint

DeviceItemPaint::SystemColours CMyListBoxDelegate::SystemColoursOf(const QPalette &palette)
{
    DeviceItemPaint::SystemColours system;
    system.window = palette.color(QPalette::Active, QPalette::Base);
    system.windowText = palette.color(QPalette::Active, QPalette::Text);
    system.highlightText = palette.color(QPalette::Active, QPalette::HighlightedText);
    system.grayText = palette.color(QPalette::Disabled, QPalette::Text);
    return system;
}

void CMyListBoxDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    // No item (an empty list): nothing to draw.
    if (!index.isValid() || index.row() < 0)
        return;

    using namespace DeviceItemPaint;
    const bool selected = option.state & QStyle::State_Selected;
    const bool disabled = !(option.state & QStyle::State_Enabled);
    const quint32 colourValue = index.data(Qt::UserRole).toUInt();
    const SystemColours system = SystemColoursOf(option.palette);

    // The view repaints an item whole (its background already erased in the
    // window colour), so every paint is a draw of the entire item.
    const ItemColours colours = Decide(colourValue, selected, disabled, DrawAction::DrawEntire, system);

    painter->save();
    if (colours.fill)
        painter->fillRect(option.rect, *colours.fill);
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect;
        focus.backgroundColor = colours.fill.value_or(system.window);
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }

    // Single line, vertically centred in a rectangle measured to the text
    // from the item's top-left corner: the text starts at that corner.
    const QString text = index.data(Qt::DisplayRole).toString();
    const QFontMetrics metrics(option.font);
    const QRect measured(option.rect.topLeft(), QSize(metrics.horizontalAdvance(text), metrics.height()));
    painter->setFont(option.font);
    painter->setPen(colours.text);
    painter->setBackgroundMode(Qt::TransparentMode);
    painter->drawText(measured, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}

QSize CMyListBoxDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QWidget *widget = option.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    const int height = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
    const QFontMetrics metrics(option.font);
    const int width = metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString());
    return QSize(width, height);
}

CMyListBox::CMyListBox(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new CMyListBoxDelegate(this));
    setSortingEnabled(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    // Not a tab stop: the list takes the focus when it is clicked only.
    setFocusPolicy(Qt::ClickFocus);
}

QListWidgetItem *CMyListBox::AddString(const QString &text, quint32 colourValue)
{
    auto *item = new DeviceListItem(text);
    item->setData(Qt::UserRole, colourValue);
    addItem(item); // sorted into place
    return item;
}

int CMyListBox::GetCurSel() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void CMyListBox::SetCurSel(int index)
{
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

QString CMyListBox::GetText(int index) const
{
    const QListWidgetItem *entry = item(index);
    return entry ? entry->text() : QString();
}

int CMyListBox::ItemHeight() const
{
    return style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
}
