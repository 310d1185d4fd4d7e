#include "ui/Style.h"

#include "ui/KeptPicture.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTextLayout>
#include <QToolTip>
#include <QtMath>

#include <cstring>
#include <functional>
#include <memory>

namespace {
// A kept picture of an edit's panel.
struct PanelKey {
    int width, height, focus, group;  // the palette's colour group: enabled, disabled, inactive
    qint64 palette;
    bool operator==(const PanelKey& o) const
    {
        return width == o.width && height == o.height && focus == o.focus && group == o.group && palette == o.palette;
    }
};
size_t qHash(const PanelKey& k, size_t seed = 0)
{
    return qHashMulti(seed, k.width, k.height, k.focus, k.group, k.palette);
}

// The colour text is drawn on while a PlainBackdrop lives; null otherwise.
thread_local const QColor* plainBackdrop = nullptr;

class OrbtoolStyle : public QProxyStyle {
public:
    explicit OrbtoolStyle(const QString& base) : QProxyStyle(base), fusion_(base.compare("fusion", Qt::CaseInsensitive) == 0) {}

    void polish(QWidget* widget) override
    {
        QProxyStyle::polish(widget);
        if (qobject_cast<QTabBar*>(widget))
            widget->installEventFilter(this);
    }
    void unpolish(QWidget* widget) override
    {
        if (qobject_cast<QTabBar*>(widget))
            widget->removeEventFilter(this);
        QProxyStyle::unpolish(widget);
    }

    // Every page switch repaints the tabs, and the platform style draws each tab's shape
    // antialiased and lays its text out anew: that cost more than any other part of the window.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* bar = qobject_cast<QTabBar*>(watched);
        if (event->type() == QEvent::Paint && bar && !standingIn_ && paintKeptTabs(bar))
            return true;
        return QProxyStyle::eventFilter(watched, event);
    }

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
        const auto* base = qstyleoption_cast<const QStyleOptionTabBarBase*>(option);
        if (fusion_ && element == PE_FrameTabBarBase && base && base->shape == QTabBar::RoundedNorth) {
            // The line under the tabs, as the style draws it, in rectangles: drawn as lines under a
            // clip that leaves out the current tab, it cost more than all the tabs' text.
            const QRect r = base->rect;
            painter->fillRect(QRect(r.left(), r.top(), r.width(), 1), option->palette.window().color().darker(140).lighter(110));
            QRegion light(QRect(r.left(), r.top() + 1, r.width(), 1));
            light -= base->selectedTabRect;
            for (const QRect& part : light)
                painter->fillRect(part, option->palette.light().color());
            return;
        }
        if (fusion_ && element == PE_Frame && !(widget && widget->inherits("QComboBoxPrivateContainer")) &&
            !painter->testRenderHint(QPainter::Antialiasing) && painter->transform().type() <= QTransform::TxTranslate &&
            option->palette.window().style() != Qt::TexturePattern && !option->rect.isEmpty()) {
            // A list's frame, as the style draws it, in rectangles: drawn as a rectangle of
            // lines, its sides went through the thread pool that every tall fill goes to.
            const QColor line = option->palette.window().color().darker(140).lighter(108);
            const QRect r = option->rect;
            painter->fillRect(QRect(r.left(), r.top(), r.width(), 1), line);
            painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), line);
            for (int top = r.top() + 1; top < r.bottom(); top += kBand) {
                const int rows = qMin(kBand, r.bottom() - top);
                painter->fillRect(QRect(r.left(), top, 1, rows), line);
                painter->fillRect(QRect(r.right(), top, 1, rows), line);
            }
            return;
        }
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (!fusion_ || !frame || frame->lineWidth <= 0 || !standalone(widget) ||
            (element != PE_PanelLineEdit && element != PE_FrameLineEdit))
            return QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element == PE_FrameLineEdit)
            return drawEditFrame(option, painter);
        // An edit's panel, drawn once for each size, state and palette and then copied: a page
        // shows some sixty edits.
        const PanelKey key{option->rect.width(), option->rect.height(), int(option->state & State_HasFocus),
                           int(option->palette.currentColorGroup()), option->palette.cacheKey()};
        painter->drawImage(option->rect.topLeft(), KeptPicture(panels_, key, [&] {
            QImage picture(option->rect.size(), QImage::Format_ARGB32_Premultiplied);
            picture.fill(Qt::transparent);
            QPainter p(&picture);
            QStyleOption at = *option;
            at.rect = picture.rect();
            p.fillRect(at.rect.adjusted(1, 1, -1, -1), at.palette.base());
            drawEditFrame(&at, &p);
            p.end();
            return picture;
        }));
    }

    // A page switch repaints the list's scroll bar unchanged, and the platform style draws it
    // with shading. What it drew is kept, under a key made of everything the drawing depends on,
    // and shown again while the key holds.
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar)
            return QProxyStyle::drawComplexControl(control, option, painter, widget);
        const QString key = QString("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13 %14")
                                .arg(quintptr(widget))
                                .arg(option->rect.width())
                                .arg(option->rect.height())
                                .arg(option->state.toInt())
                                .arg(option->direction)
                                .arg(option->palette.cacheKey())
                                .arg(bar->orientation)
                                .arg(bar->minimum)
                                .arg(bar->maximum)
                                .arg(bar->sliderPosition)
                                .arg(bar->sliderValue)
                                .arg(bar->pageStep)
                                .arg(bar->upsideDown)
                                .arg(QString::number(bar->subControls) + " " + QString::number(bar->activeSubControls));
        drawKept(key, option->rect, painter,
                 [&](QPainter* p) { QProxyStyle::drawComplexControl(control, option, p, widget); });
    }

    // Captions and value labels draw the same few texts again and again; laying a text out cost
    // more than drawing it. A text laid out once is kept and drawn where, and clipped as, the
    // style would draw it. Anything out of the ordinary (mnemonics, wrapping, several lines, a
    // disabled label) goes the usual way.
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole textRole) const override
    {
        const QTextLayout* laid = plainLine(painter, flags, enabled, text);
        if (!laid)
            return QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, textRole);
        const qreal width = laid->lineAt(0).horizontalAdvance(), height = laid->lineAt(0).height();
        qreal x = 0, y = 0;
        if (flags & Qt::AlignRight)
            x = rect.width() - width;
        else if (flags & Qt::AlignHCenter)
            x = (rect.width() - width) / 2;
        if (flags & Qt::AlignBottom)
            y = rect.height() - height;
        else if (flags & Qt::AlignVCenter)
            y = qFloor((rect.height() - height) / 2 + 0.5);
        const QPointF at(rect.x() + x, rect.y() + y);
        painter->save();
        if (!QRectF(rect).contains(QRectF(at, QSizeF(width, height))))
            painter->setClipRect(rect, Qt::IntersectClip);
        if (textRole != QPalette::NoRole)
            painter->setPen(QPen(palette.brush(textRole), painter->pen().widthF()));
        if (plainBackdrop && painter->pen().style() == Qt::SolidLine && painter->pen().brush().style() == Qt::SolidPattern)
            DrawTextPicture(pictures_, painter, *laid, at, width, height, *plainBackdrop);
        else
            laid->draw(painter, at);
        painter->restore();
    }

private:
    // A tab bar at rest (no focus, no mouse over it or pressing it) on a plain background is
    // drawn once for each state by a stand-in tab bar made like it, and then copied; false when
    // it must paint itself.
    bool paintKeptTabs(QTabBar* bar) const
    {
        const QBrush background = bar->palette().brush(bar->backgroundRole());
        if (bar->style() != QApplication::style() || bar->hasFocus() || bar->underMouse() ||
            QApplication::mouseButtons() != Qt::NoButton || bar->testAttribute(Qt::WA_StyleSheet) ||
            background.style() != Qt::SolidPattern || bar->devicePixelRatio() != 1 || bar->size().isEmpty())
            return false;
        const QPalette::ColorGroup group = bar->palette().currentColorGroup();
        QString key = QString("tabs %1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11\n")
                          .arg(bar->width())
                          .arg(bar->height())
                          .arg(bar->currentIndex())
                          .arg(bar->isEnabled())
                          .arg(int(group))
                          .arg(bar->palette().cacheKey())
                          .arg(bar->font().key())
                          .arg(int(bar->shape()))
                          .arg(bar->documentMode())
                          .arg(bar->drawBase())
                          .arg(bar->expanding());
        for (int i = 0; i < bar->count(); ++i) {
            const QRect r = bar->tabRect(i);
            key += QString("%1 %2 %3 %4 %5 %6\n").arg(bar->isTabEnabled(i)).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).arg(bar->tabText(i));
        }
        auto* tabs = qobject_cast<QTabWidget*>(bar->parentWidget());
        key += QString("in tabs %1 %2\n").arg(tabs != nullptr).arg(tabs ? tabs->documentMode() : false);
        const QImage picture = KeptPicture(kept_, key, [&] {
            static QTabBar* standIn = new QTabBar;
            // A tab bar draws its tabs otherwise when it belongs to a tab widget: so does the
            // stand-in, in a hidden one of its own.
            static QTabWidget* host = new QTabWidget;
            if (tabs)
                host->setDocumentMode(tabs->documentMode());
            standIn->setParent(tabs ? host : nullptr);
            while (standIn->count())
                standIn->removeTab(0);
            for (int i = 0; i < bar->count(); ++i) {
                standIn->addTab(bar->tabText(i));
                standIn->setTabEnabled(i, bar->isTabEnabled(i));
            }
            standIn->setFont(bar->font());
            standIn->setShape(bar->shape());
            standIn->setDocumentMode(bar->documentMode());
            standIn->setDrawBase(bar->drawBase());
            standIn->setExpanding(bar->expanding());
            standIn->setElideMode(bar->elideMode());
            standIn->setUsesScrollButtons(bar->usesScrollButtons());
            standIn->setEnabled(bar->isEnabled());
            standIn->resize(bar->size());
            standIn->setCurrentIndex(bar->currentIndex());
            return StandInPicture(standIn, bar, background.color(), standingIn_);
        });
        QPainter(bar).drawImage(0, 0, picture);
        return true;
    }

    static inline bool standingIn_ = false;

    // Qt's raster engine hands any fill of more than about ninety rows to a pool of threads; on a
    // small machine the hand-off costs several times the fill (a list's scroll bar, four hundred
    // rows, took a quarter of a millisecond). Pictures are therefore drawn and shown in bands.
    static constexpr int kBand = 90;

    // Draws what draw paints within rect, through the picture kept under key.
    void drawKept(const QString& key, const QRect& rect, QPainter* painter,
                  const std::function<void(QPainter*)>& draw) const
    {
        if (rect.isEmpty() || painter->transform().type() > QTransform::TxTranslate ||
            painter->device()->devicePixelRatio() != 1)
            return draw(painter);
        const QImage picture = KeptPicture(kept_, key, [&] {
            QImage drawn(rect.size(), QImage::Format_ARGB32_Premultiplied);
            QImage band(rect.width(), kBand, QImage::Format_ARGB32_Premultiplied);
            for (int top = 0; top < rect.height(); top += kBand) {
                band.fill(Qt::transparent);
                QPainter p(&band);
                p.translate(-rect.left(), -rect.top() - top);
                draw(&p);
                p.end();
                for (int y = 0; y < kBand && top + y < rect.height(); ++y)
                    std::memcpy(drawn.scanLine(top + y), band.constScanLine(y), std::size_t(rect.width()) * 4);
            }
            return drawn;
        });
        for (int top = 0; top < rect.height(); top += kBand)
            painter->drawImage(rect.topLeft() + QPoint(0, top), picture,
                               QRect(0, top, rect.width(), qMin(kBand, rect.height() - top)));
    }

    mutable QCache<QString, QImage> kept_{2048};  // in KiB

    // The kept layout of text in the painter's font, or nullptr when the text is not one plain line.
    const QTextLayout* plainLine(QPainter* painter, int flags, bool enabled, const QString& text) const
    {
        constexpr int plainFlags = Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignTop |
                                   Qt::AlignBottom | Qt::AlignVCenter | Qt::AlignAbsolute | Qt::TextForceLeftToRight |
                                   Qt::TextExpandTabs | Qt::TextSingleLine | Qt::TextShowMnemonic |
                                   Qt::TextHideMnemonic;  // without an '&' there is no mnemonic
        if (!enabled || text.isEmpty() || (flags & ~plainFlags) || painter->layoutDirection() != Qt::LeftToRight ||
            painter->transform().type() > QTransform::TxTranslate)
            return nullptr;
        for (QChar c : text)
            if (c == u'&' || c == u'\n' || c == u'\t' || c.category() == QChar::Other_Control)
                return nullptr;
        const auto key = std::make_pair(painter->font(), text);
        auto it = laidOut_.find(key);
        if (it == laidOut_.end()) {
            if (laidOut_.size() > 4000) {
                laidOut_.clear();  // names of other files come and go
                pictures_.clear();  // kept by the layouts they show
            }
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

    // Drawing the letters of some thirty captions was most of what showing a page cost: each
    // text is drawn through a picture of it on its plain backdrop.
    mutable QCache<TextPictureKey, QImage> pictures_{2048};  // KiB
    mutable QCache<PanelKey, QImage> panels_{1024};      // KiB

    // Edits inside a combo or spin box are drawn with their box.
    static bool standalone(const QWidget* widget)
    {
        return qobject_cast<const QLineEdit*>(widget) && !qobject_cast<QComboBox*>(widget->parentWidget()) &&
               !qobject_cast<QAbstractSpinBox*>(widget->parentWidget());
    }

public:
    // The panel's fill, inside the frame (whose right and bottom sides stand one pixel in from
    // the edit's) and below the shadow under its top side.
    QRect plainEditArea(const QLineEdit* edit) const
    {
        return fusion_ && standalone(edit) && !edit->hasFocus() && edit->hasFrame() ? edit->rect().adjusted(1, 2, -2, -2)
                                                                                   : QRect();
    }

private:
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
        // Every side is a one-pixel rectangle: a line drawn with a translucent pen goes through
        // the rasterizer pixel by pixel, and past some ninety pixels through its thread pool.
        auto side = [painter](int x, int y, int width, int height, const QColor& colour) {
            painter->fillRect(x, y, width, height, colour);
        };
        side(r.left() + 1, r.top(), r.width() - 2, 1, line);
        side(r.left() + 1, r.bottom(), r.width() - 2, 1, line);
        side(r.left(), r.top() + 1, 1, r.height() - 2, line);
        side(r.right(), r.top() + 1, 1, r.height() - 2, line);
        QColor corner = line;
        corner.setAlpha(90);
        for (const QPoint& p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            side(p.x(), p.y(), 1, 1, corner);
        if (focus) {
            QColor soft = line;
            soft.setAlpha(40);
            const QRect in = r.adjusted(1, 1, -1, -1);
            side(in.left(), in.top(), in.width(), 1, soft);
            side(in.left(), in.bottom(), in.width(), 1, soft);
            side(in.left(), in.top() + 1, 1, in.height() - 2, soft);
            side(in.right(), in.top() + 1, 1, in.height() - 2, soft);
        }
        // The inner shadow under the top side.
        side(r.left() + 2, r.top() + 1, r.width() - 4, 1, QColor(0, 0, 0, 18));
    }

    bool fusion_;
};
}  // namespace

PlainBackdrop::PlainBackdrop(const QColor& colour) : colour_(colour), outer_(plainBackdrop)
{
    plainBackdrop = &colour_;
}

PlainBackdrop::~PlainBackdrop()
{
    plainBackdrop = outer_;
}

QRect PlainEditArea(const QLineEdit* edit)
{
    const auto* style = dynamic_cast<const OrbtoolStyle*>(edit->style());
    return style ? style->plainEditArea(edit) : QRect();
}

void InstallOrbtoolStyle()
{
    if (!dynamic_cast<OrbtoolStyle*>(QApplication::style()))
        QApplication::setStyle(new OrbtoolStyle(QApplication::style()->name()));
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, QColor(255, 255, 160));
    tips.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tips);
}
