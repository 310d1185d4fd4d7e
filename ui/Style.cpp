#include "ui/Style.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QTextLayout>
#include <QToolTip>

#include <memory>

namespace {
class OrbtoolStyle : public QProxyStyle {
public:
    explicit OrbtoolStyle(const QString& base) : QProxyStyle(base), fusion_(base.compare("fusion", Qt::CaseInsensitive) == 0) {}

    // Pop-up hints wait five seconds; the status bar shows the hint at once.
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 5000;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    // A record page shows some sixty edits and repaints them all at each step. Fusion draws an
    // edit's frame as an antialiased rounded rectangle, which cost more than half of an edit's
    // repaint; the same frame in plain lines looks alike at one pixel and costs a fraction.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (!fusion_ || !frame || frame->lineWidth <= 0 || !standalone(widget) ||
            (element != PE_PanelLineEdit && element != PE_FrameLineEdit))
            return QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element == PE_PanelLineEdit)
            painter->fillRect(option->rect.adjusted(1, 1, -1, -1), option->palette.base());
        drawEditFrame(option, painter);
    }

    // Qt's raster engine hands any fill of more than about ninety rows to a pool of threads; on a
    // small machine the hand-off costs several times the fill, and a list's scroll bar, a shaded
    // column some four hundred rows tall, took a quarter of a millisecond to paint. Painted in
    // bands under ninety rows, each fill stays on the window's own thread.
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const QRect r = option->rect;
        if (control != CC_ScrollBar || r.height() < 2 * kBand || painter->transform().type() > QTransform::TxTranslate ||
            painter->device()->devicePixelRatio() != 1)
            return QProxyStyle::drawComplexControl(control, option, painter, widget);
        QImage band(r.width(), kBand, QImage::Format_ARGB32_Premultiplied);
        for (int top = r.top(); top <= r.bottom(); top += kBand) {
            band.fill(Qt::transparent);
            QPainter p(&band);
            p.translate(-r.left(), -top);
            QProxyStyle::drawComplexControl(control, option, &p, widget);
            p.end();
            painter->drawImage(QPoint(r.left(), top), band);
        }
    }

    // Captions and value labels draw the same few texts again and again; laying a text out cost
    // more than drawing it. A text laid out once is kept and drawn where, and clipped as, the
    // style would draw it. Anything out of the ordinary (mnemonics, wrapping, several lines, a
    // text taller than its place, a disabled label) goes the usual way.
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole textRole) const override
    {
        const QTextLayout* laid = plainLine(painter, flags, enabled, text);
        const QTextLine line = laid ? laid->lineAt(0) : QTextLine();
        const qreal width = laid ? line.horizontalAdvance() : 0, height = laid ? line.height() : 0;
        if (!laid || height > rect.height())
            return QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, textRole);
        qreal x = 0, y = 0;
        if (flags & Qt::AlignRight)
            x = rect.width() - width;
        else if (flags & Qt::AlignHCenter)
            x = (rect.width() - width) / 2;
        if (flags & Qt::AlignBottom)
            y = rect.height() - height;
        else if (flags & Qt::AlignVCenter)
            y = qRound((rect.height() - height) / 2);
        const QPointF at(rect.x() + x, rect.y() + y);
        painter->save();
        if (!QRectF(rect).contains(QRectF(at, QSizeF(width, height))))
            painter->setClipRect(rect, Qt::IntersectClip);
        if (textRole != QPalette::NoRole)
            painter->setPen(QPen(palette.brush(textRole), painter->pen().widthF()));
        laid->draw(painter, at);
        painter->restore();
    }

private:
    static constexpr int kBand = 90;

    // The kept layout of text in the painter's font, or nullptr when the text is not one plain line.
    const QTextLayout* plainLine(QPainter* painter, int flags, bool enabled, const QString& text) const
    {
        constexpr int plainFlags = Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignTop |
                                   Qt::AlignBottom | Qt::AlignVCenter | Qt::AlignAbsolute | Qt::TextForceLeftToRight |
                                   Qt::TextExpandTabs;
        if (!enabled || text.isEmpty() || (flags & ~plainFlags) || painter->layoutDirection() != Qt::LeftToRight ||
            painter->transform().type() > QTransform::TxTranslate)
            return nullptr;
        for (QChar c : text)
            if (c == u'&' || c == u'\n' || c == u'\t' || c.category() == QChar::Other_Control)
                return nullptr;
        const auto key = std::make_pair(painter->font(), text);
        auto it = laidOut_.find(key);
        if (it == laidOut_.end()) {
            if (laidOut_.size() > 4000)
                laidOut_.clear();  // names of other files come and go
            auto layout = std::make_shared<QTextLayout>(text, painter->font(), painter->device());
            QTextOption option;
            option.setWrapMode(QTextOption::NoWrap);
            layout->setTextOption(option);
            layout->setCacheEnabled(true);
            layout->beginLayout();
            layout->createLine().setPosition(QPointF(0, 0));
            layout->endLayout();
            it = laidOut_.insert(key, std::move(layout));
        }
        return it->get();
    }

    mutable QHash<std::pair<QFont, QString>, std::shared_ptr<QTextLayout>> laidOut_;

    // Edits inside a combo or spin box are drawn with their box.
    static bool standalone(const QWidget* widget)
    {
        return qobject_cast<const QLineEdit*>(widget) && !qobject_cast<QComboBox*>(widget->parentWidget()) &&
               !qobject_cast<QAbstractSpinBox*>(widget->parentWidget());
    }

    static void drawEditFrame(const QStyleOption* option, QPainter* painter)
    {
        const QRect r = option->rect.adjusted(0, 0, -1, -1);
        const bool focus = option->state & State_HasFocus;
        QColor line = option->palette.window().color().darker(140);
        if (focus) {
            line = option->palette.highlight().color().darker(125);
            if (line.value() > 160)
                line.setHsl(line.hue(), line.saturation(), 160);
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(line);
        // The sides, without the corner pixels: a rounding of one pixel.
        painter->drawLine(r.left() + 1, r.top(), r.right() - 1, r.top());
        painter->drawLine(r.left() + 1, r.bottom(), r.right() - 1, r.bottom());
        painter->drawLine(r.left(), r.top() + 1, r.left(), r.bottom() - 1);
        painter->drawLine(r.right(), r.top() + 1, r.right(), r.bottom() - 1);
        QColor corner = line;
        corner.setAlpha(90);
        painter->setPen(corner);
        painter->drawPoint(r.topLeft());
        painter->drawPoint(r.topRight());
        painter->drawPoint(r.bottomLeft());
        painter->drawPoint(r.bottomRight());
        if (focus) {
            QColor soft = line;
            soft.setAlpha(40);
            painter->setPen(soft);
            painter->drawRect(r.adjusted(1, 1, -1, -1));
        }
        // The inner shadow under the top side.
        painter->setPen(QColor(0, 0, 0, 18));
        painter->drawLine(r.left() + 2, r.top() + 1, r.right() - 2, r.top() + 1);
        painter->restore();
    }

    bool fusion_;
};
}  // namespace

void InstallOrbtoolStyle()
{
    if (!dynamic_cast<OrbtoolStyle*>(QApplication::style()))
        QApplication::setStyle(new OrbtoolStyle(QApplication::style()->name()));
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, QColor(255, 255, 160));
    tips.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tips);
}
