#include "ui/LineDelegate.h"

#include "ui/KeptPicture.h"

#include <QApplication>
#include <QPainter>

size_t qHash(const LineKey& k, size_t seed)
{
    return qHashMulti(seed, k.width, k.height, k.back, k.ink, k.text);
}

LineDelegate::LineDelegate(QObject* parent) : QStyledItemDelegate(parent), kept_(4096) {}

void LineDelegate::drawText(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                            const QString& text, const QColor& colour)
{
    painter->setFont(option.font);
    painter->setPen(colour);
    const int y = rect.top() + (rect.height() - option.fontMetrics.height()) / 2;
    painter->drawText(QPoint(rect.left() + 3, y + option.fontMetrics.ascent()), text);
}

void LineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
    const QBrush& back = option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base);
    const QColor ink = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    // A picture holds the line's background too, so it can stand only for a plain one.
    if (back.style() != Qt::SolidPattern || painter->device()->devicePixelRatio() != 1 ||
        painter->transform().type() > QTransform::TxTranslate) {
        const QPen pen = painter->pen();
        const QFont font = painter->font();
        if (selected)
            painter->fillRect(option.rect, back);
        drawText(painter, option, option.rect, text, ink);
        painter->setFont(font);
        painter->setPen(pen);
    } else {
        if (font_ != option.font) {
            kept_.clear();
            font_ = option.font;
        }
        const LineKey key{option.rect.width(), option.rect.height(), back.color().rgba(), ink.rgba(), text};
        painter->drawImage(option.rect.topLeft(), KeptPicture(kept_, key, [&] {
            QImage picture(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
            picture.fill(back.color());
            QPainter p(&picture);
            drawText(&p, option, picture.rect(), text, ink);
            p.end();
            return picture;
        }));
    }
    if (option.state & QStyle::State_HasFocus) {
        // The keyboard's place in the list, as the style draws it.
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = back.color();
        const QWidget* w = option.widget;
        (w ? w->style() : QApplication::style())->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, w);
    }
}
