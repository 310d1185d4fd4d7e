#include "ui/Widgets.h"

#include "ui/Picker.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QFontMetrics>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QValidator>

#include <algorithm>

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

QLabel* caption(QWidget* parent, const QString& text, int left, int top, const char* name)
{
    auto* l = new QLabel(text, parent);
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

bool UndoKeyPassesOn(const QLineEdit* edit, QKeyEvent* e)
{
    const QKeyCombination k = e->keyCombination();
    const bool undoKey = e->matches(QKeySequence::Undo);
    const bool redoKey = e->matches(QKeySequence::Redo) || k == QKeyCombination(Qt::CTRL, Qt::Key_Y) ||
                         k == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
    if ((undoKey && !edit->isUndoAvailable()) || (redoKey && !edit->isRedoAvailable())) {
        e->ignore();
        return true;
    }
    return false;
}

namespace {
class UndoKeysPassOn : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        return edit && e->type() == QEvent::ShortcutOverride && UndoKeyPassesOn(edit, static_cast<QKeyEvent*>(e));
    }
};
}  // namespace

void PassUndoKeysOn(QLineEdit* edit)
{
    edit->installEventFilter(new UndoKeysPassOn(edit));
}

LimitedEdit::LimitedEdit(QWidget* parent, int typingLimit, bool latin1Only)
    : QLineEdit(parent), limit_(typingLimit), latin1_(latin1Only)
{
    setValidator(new TypingValidator(this));
}

bool LimitedEdit::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::ShortcutOverride:
        if (UndoKeyPassesOn(this, static_cast<QKeyEvent*>(e)))
            return true;
        return QLineEdit::event(e);
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

LimitedEdit* lineEdit(QWidget* parent, const char* name, int maxLength, int left, int top, int width, bool latin1Only)
{
    auto* e = new LimitedEdit(parent, maxLength, latin1Only);
    e->setObjectName(name);
    e->setGeometry(left, top, width, 22);
    return e;
}

int WidestNumberWidth(const QLineEdit* edit, int digits)
{
    // As the edit measures its own hint: the text, the edit's margins and the style's frame.
    const QFontMetrics fm(edit->font());
    const QMargins margins = edit->textMargins();
    const int lineEditMargin = 2;  // the edit's own space beside its text, on each side
    QSize text(fm.horizontalAdvance(QString(digits, '8')) + 2 * lineEditMargin + margins.left() + margins.right() + 1,
               fm.height());
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    return edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, edit).width();
}

void FitNumberEdits(QWidget* panel)
{
    QList<LimitedEdit*> edits = panel->findChildren<LimitedEdit*>(Qt::FindDirectChildrenOnly);
    std::sort(edits.begin(), edits.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
    for (LimitedEdit* e : edits) {
        if (e->latin1Only())
            continue;
        // A stored code can have three digits where typing takes two.
        const int grow = WidestNumberWidth(e, std::max(e->typingLimit(), 3)) - e->width();
        if (grow <= 0)
            continue;
        const QRect was = e->geometry();
        e->resize(was.width() + grow, was.height());
        // What stands right beside it in its row (its "..." button, the code's name) moves along,
        // so that nothing overlaps; the next field, past a wider gap, keeps its place.
        QList<QWidget*> row;
        for (QWidget* w : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w != e && w->x() >= was.right() && std::abs(w->geometry().center().y() - was.center().y()) < was.height() / 2)
                row << w;
        std::sort(row.begin(), row.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        int edge = was.right();
        bool button = false;
        for (QWidget* w : row) {
            // The button right after the edit, and the name label right after the button.
            const bool isButton = qobject_cast<QToolButton*>(w) != nullptr;
            if (w->x() - edge > 12 || (!isButton && !button))
                break;
            edge = w->geometry().right();
            w->move(w->x() + grow, w->y());
            if (!isButton)
                break;
            button = true;
        }
        // An edit right beside it (ammunition side by side) moves only as far as it must.
        if (!button) {
            edge = e->geometry().right();
            for (QWidget* w : row) {
                if (!qobject_cast<LimitedEdit*>(w) || w->x() > edge + 1)
                    break;
                w->move(edge + 2, w->y());
                edge = w->geometry().right();
            }
        }
    }
}

QColor CompareMark(const QPalette& palette)
{
    QColor mark = palette.color(QPalette::Highlight);
    mark.setAlpha(60);
    return mark;
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

