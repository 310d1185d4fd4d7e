#include "ui/Widgets.h"

#include "ui/KeptPicture.h"
#include "ui/Picker.h"
#include "ui/Style.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>
#include <QValidator>

#include <algorithm>
#include <memory>

namespace {
class MouseDownHook : public QObject {
public:
    MouseDownHook(QObject* parent, std::function<void(Qt::MouseButton)> fn) : QObject(parent), fn_(std::move(fn)) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        // The second press of a quick pair arrives as a double-click: it is a press all the same.
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick)
            fn_(static_cast<QMouseEvent*>(e)->button());
        return false;
    }

private:
    std::function<void(Qt::MouseButton)> fn_;
};

QFont captionFont()
{
    QFont f("Arial");
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    f.setBold(true);
    return f;
}
}  // namespace

void setHint(QWidget* w, const QString& hint)
{
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

void onMouseDown(QWidget* w, std::function<void(Qt::MouseButton)> fn)
{
    w->installEventFilter(new MouseDownHook(w, std::move(fn)));
}

namespace {
// What a label's picture shows.
struct LabelKey {
    QString text;
    QFont font;
    QSize size;
    int alignment;
    bool enabled;
    int group;  // the palette's colour group: active, inactive, disabled
    qint64 palette;
    bool operator==(const LabelKey& o) const
    {
        return text == o.text && size == o.size && alignment == o.alignment && enabled == o.enabled &&
               group == o.group && palette == o.palette && font == o.font;
    }
};
size_t qHash(const LabelKey& k, size_t seed = 0)
{
    return qHashMulti(seed, k.text, k.size.width(), k.size.height(), k.alignment, k.group, k.palette);
}

// A label on a plain panel. A page shows some forty, and a label's own painting (its frame, its
// layout, the style's text) cost several times copying a picture of it: a label of plain text is
// drawn once, by a stand-in label made like it, and then copied. Others draw themselves, the
// style keeping their text as a picture.
class PlainLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        if (!styleSheet().isEmpty() || autoFillBackground())
            return QLabel::paintEvent(e);
        const QColor back = palette().color(QPalette::Window);
        if (standingIn_ || !plain()) {
            PlainBackdrop backdrop(back);
            return QLabel::paintEvent(e);
        }
        const LabelKey key{text(), font(), size(), int(alignment()), isEnabled(), int(palette().currentColorGroup()),
                           palette().cacheKey()};
        QPainter(this).drawImage(0, 0, KeptPicture(pictures_, key, [&] {
            static PlainLabel* standIn = new PlainLabel;
            standIn->setFont(font());
            standIn->setAlignment(alignment());
            standIn->setEnabled(isEnabled());
            standIn->setText(text());
            return StandInPicture(standIn, this, back, standingIn_);
        }));
    }

private:
    // Plain text in one line, with no frame, margin, indent or picture, on a plain backdrop, in
    // the program's style (which the stand-in has).
    bool plain() const
    {
        return style() == QApplication::style() && frameShape() == NoFrame && margin() == 0 && indent() == -1 &&
               !wordWrap() && pixmap().isNull() && textFormat() != Qt::RichText &&
               !(textFormat() == Qt::AutoText && Qt::mightBeRichText(text())) && contentsMargins().isNull() &&
               layoutDirection() == Qt::LeftToRight && devicePixelRatio() == 1 &&
               foregroundRole() == QPalette::WindowText && palette().brush(QPalette::Window).style() == Qt::SolidPattern;
    }

    static inline bool standingIn_ = false;
    static inline QCache<LabelKey, QImage> pictures_{4096};  // KiB
};
}  // namespace

QLabel* caption(QWidget* parent, const QString& text, int left, int top, const char* name)
{
    auto* l = new PlainLabel(text, parent);
    if (name)
        l->setObjectName(name);
    l->setFont(captionFont());
    l->move(left, top + 3);
    l->adjustSize();
    return l;
}

QLabel* valueLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int width)
{
    QLabel* l = caption(parent, text, left, top, name);
    l->resize(width, l->height());
    return l;
}

QToolButton* pickButton(QWidget* parent, const char* name, int left, int top, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText("...");
    b->setFont(captionFont());
    b->setGeometry(left, top, 18, 22);
    b->setFocusPolicy(Qt::NoFocus);
    if (!hint.isEmpty())
        setHint(b, hint);
    return b;
}

namespace {
// Applies a LimitedEdit's limits to a change the user made. It knows the text before the change
// (from textChanged) and the cursor after it, so it can tell which characters were just put in
// and cut only those, as a length limit does when text is typed over a selection or pasted.
class TypingValidator : public QValidator {
public:
    explicit TypingValidator(LimitedEdit* edit) : QValidator(edit), edit_(edit)
    {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) {
            before_ = t;
            if (!edit_->inUserInput())
                shown_ = t;
        });
    }

    State validate(QString& input, int& pos) const override
    {
        // The program's own text, and the user's way back to it (the edit's undo), are never cut.
        if (!edit_->inUserInput() || input == shown_)
            return Acceptable;
        const QString& old = before_;
        // The change replaced old[a, b) by input[a, pos).
        int b = static_cast<int>(old.size() - (input.size() - pos));
        if (b < 0 || b > old.size() || pos < 0 || pos > input.size())
            return input.size() <= edit_->typingLimit() ? Acceptable : Invalid;
        int a = 0;
        while (a < b && a < pos && old[a] == input[a])
            ++a;
        QString inserted = input.mid(a, pos - a);
        if (edit_->latin1Only()) {
            QString refused;
            QString kept;
            for (QChar c : inserted)
                (c.unicode() > 0xff ? refused : kept) += c;
            if (!refused.isEmpty())
                emit edit_->refused(refused);
            inserted = kept;
        }
        int outside = a + static_cast<int>(old.size()) - b;
        int room = std::max(edit_->typingLimit(), static_cast<int>(old.size())) - outside;
        if (input.size() > edit_->typingLimit() && inserted.size() > room)
            inserted.truncate(std::max(room, 0));
        QString result = input.left(a) + inserted + input.mid(pos);
        if (result == old && inserted.isEmpty() && pos - a > 0)
            return Invalid;  // nothing of what was put in fits: leave the edit as it was
        pos = a + static_cast<int>(inserted.size());
        input = result;
        return Acceptable;
    }

private:
    LimitedEdit* edit_;
    QString before_;  // the text before the change being checked
    QString shown_;   // the text the program last put in
};
}  // namespace

LimitedEdit::LimitedEdit(QWidget* parent, int typingLimit, bool latin1Only)
    : QLineEdit(parent), limit_(typingLimit), latin1_(latin1Only)
{
    setValidator(new TypingValidator(this));
}

bool LimitedEdit::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::ShortcutOverride: {
        // Undo and redo keys undo typing while there is typing to undo; after that they reach the
        // window's Edit menu, which takes back whole steps.
        auto* ke = static_cast<QKeyEvent*>(e);
        const QKeyCombination k = ke->keyCombination();
        bool undoKey = ke->matches(QKeySequence::Undo);
        bool redoKey = ke->matches(QKeySequence::Redo) || k == QKeyCombination(Qt::CTRL, Qt::Key_Y) ||
                       k == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
        if ((undoKey && !isUndoAvailable()) || (redoKey && !isRedoAvailable())) {
            e->ignore();
            return true;
        }
        return QLineEdit::event(e);
    }
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::ContextMenu:         // its Paste runs inside this event
    case QEvent::MouseButtonRelease:  // a middle-button paste
    {
        ++userInput_;
        bool r = QLineEdit::event(e);
        --userInput_;
        return r;
    }
    default:
        return QLineEdit::event(e);
    }
}

namespace {
// A text laid out in a font as a line edit lays it out, with the measures its painting needs.
struct LaidText {
    QTextLayout layout;
    int height = 0;  // of the text's bounding box, at least the font's height
    int width = 0;   // natural width, rounded
    int ascent = 0;  // of the line, rounded
};

// Pictures of the kept layouts' texts, kept under their layouts.
QCache<TextPictureKey, QImage> textPictures(2048);  // KiB

const LaidText& laidOut(const QFont& font, const QString& text)
{
    static QHash<std::pair<QFont, QString>, std::shared_ptr<LaidText>> kept;
    const auto key = std::make_pair(font, text);
    auto it = kept.find(key);
    if (it == kept.end()) {
        if (kept.size() > 4000) {
            kept.clear();
            textPictures.clear();
        }
        auto laid = std::make_shared<LaidText>();
        laid->layout.setText(text);
        laid->layout.setFont(font);
        QTextOption option;
        option.setTextDirection(Qt::LeftToRight);
        option.setFlags(QTextOption::IncludeTrailingSpaces);
        laid->layout.setTextOption(option);
        laid->layout.setCacheEnabled(true);
        laid->layout.beginLayout();
        QTextLine line = laid->layout.createLine();
        laid->layout.endLayout();
        const QFontMetrics metrics(font);
        laid->height = qMax(metrics.boundingRect(text).height(), metrics.height());
        laid->width = qRound(line.naturalTextWidth());
        laid->ascent = qRound(line.ascent());
        it = kept.insert(key, std::move(laid));
    }
    return **it;
}
}  // namespace

// A page repaints all its edits at each step, and a line edit lays its text out afresh at every
// repaint. An edit at rest (no focus, no selection, a text that fits) is drawn here from a layout
// kept per text, exactly where the line edit would draw it; any other edit draws itself.
void LimitedEdit::paintEvent(QPaintEvent* e)
{
    const QString shown = text();
    if (hasFocus() || hasSelectedText() || !isEnabled() || echoMode() != Normal || shown.isEmpty() ||
        layoutDirection() != Qt::LeftToRight || alignment() != (Qt::AlignLeft | Qt::AlignVCenter) ||
        shown.contains(u'\t'))
        return QLineEdit::paintEvent(e);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this).marginsRemoved(textMargins());
    const LaidText& laid = laidOut(font(), shown);
    constexpr int margin = 2;  // the line edit's own, around its text
    const QRect line(r.x() + margin, r.y() + (r.height() - laid.height + 1) / 2, r.width() - 2 * margin, laid.height);
    if (laid.width + 1 > line.width())
        return QLineEdit::paintEvent(e);  // scrolled to keep the cursor in view
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &p, this);
    p.setClipRect(r);
    p.setPen(palette().text().color());
    const QPointF at = line.topLeft() - QPoint(0, laid.ascent - fontMetrics().ascent());
    // A text whose picture stays where the panel is plain is copied from the picture.
    const QTextLine first = laid.layout.lineAt(0);
    const QRect picture = TextPictureRect(at, first.naturalTextWidth(), first.height()) & r;
    if (panel.palette.base().style() == Qt::SolidPattern && PlainEditArea(this).contains(picture))
        DrawTextPicture(textPictures, &p, laid.layout, at, first.naturalTextWidth(), first.height(),
                        panel.palette.base().color());
    else
        laid.layout.draw(&p, at, {}, r);
}

LimitedEdit* lineEdit(QWidget* parent, const char* name, int maxLength, int left, int top, int width, bool latin1Only)
{
    auto* e = new LimitedEdit(parent, maxLength, latin1Only);
    e->setObjectName(name);
    e->setGeometry(left, top, width, 22);
    return e;
}

int pickInto(uint8_t mode, QLineEdit* edit)
{
    bool ok = false;
    int current = edit->text().toInt(&ok);
    int r = PickForm->ShowPickList(mode, ok ? current : 0);
    if (r >= 0)
        edit->setText(QString::number(r));
    return r;
}

void setUpDialog(QDialog* d, const char* name, const QString& title, int width, int height, int left, int top)
{
    d->setObjectName(name);
    d->setWindowTitle(title);
    QFont small("MS Sans Serif", 8);  // falls back to the nearest sans serif
    small.setStyleHint(QFont::SansSerif);
    d->setFont(small);
    d->setFixedSize(width, height);
    d->move(left, top);
}

