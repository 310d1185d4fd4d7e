#include "ui/Widgets.h"

#include "ui/Picker.h"

#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>

namespace {
class MouseDownHook : public QObject {
public:
    MouseDownHook(QObject* parent, std::function<void(Qt::MouseButton)> fn) : QObject(parent), fn_(std::move(fn)) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonPress)
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

QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength, int left, int top, int width)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(maxLength);
    e->setGeometry(left, top, width, 22);
    return e;
}

int pickInto(uint8_t mode, QLineEdit* edit, QLabel* label, const std::function<QString(int)>& name)
{
    int r = PickForm->ShowPickList(mode);
    if (r >= 0) {
        edit->setText(QString::number(r));
        label->setText(name(r));
    }
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
