// Small helpers for building the windows: hints, captions, picker buttons, mouse-down hooks.
#pragma once

#include <QColor>
#include <QLineEdit>
#include <QPalette>
#include <QString>

#include <cstdint>
#include <functional>

class QDialog;
class QLabel;
class QToolButton;
class QWidget;

// The hint shows in the status bar at once and as a pop-up after a pause.
void setHint(QWidget* w, const QString& hint);
// Calls fn with the button whenever a mouse button goes down on w.
void onMouseDown(QWidget* w, std::function<void(Qt::MouseButton)> fn);
// A bold 11-pixel sans caption at (left, top).
QLabel* caption(QWidget* parent, const QString& text, int left, int top, const char* name = nullptr);
// A label whose text the program sets, at (left, top).
QLabel* valueLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int width = 160);
// A "..." picker button, 18 x 22, that never takes the focus.
QToolButton* pickButton(QWidget* parent, const char* name, int left, int top, const QString& hint = QString());
class QKeyEvent;
// Undo and redo keys undo an edit's typing while there is typing to undo; after that they reach
// the window's Edit menu, which takes back whole steps (a plain edit would swallow them: Ctrl+Z
// in a filter field then undid nothing, ever). True when the key event was passed on.
bool UndoKeyPassesOn(const QLineEdit* edit, QKeyEvent* e);
// The same for any edit: the filter fields, a table cell's editor.
void PassUndoKeysOn(QLineEdit* edit);

// A single-line edit whose limit binds only what the user types, pastes or drops into it: text
// the program sets (a stored value wider than the limit) is shown whole, so that showing and
// committing an entry never cuts a value nobody touched. A Latin-1 edit also refuses characters
// that cannot be stored as one byte.
class LimitedEdit : public QLineEdit {
    Q_OBJECT

public:
    LimitedEdit(QWidget* parent, int typingLimit, bool latin1Only);
    int typingLimit() const { return limit_; }
    bool latin1Only() const { return latin1_; }
    // True while an event of the user's is being handled by the edit.
    bool inUserInput() const { return userInput_ > 0; }

signals:
    // Characters the edit left out because a name cannot hold them.
    void refused(const QString& characters);

protected:
    bool event(QEvent* e) override;

private:
    int limit_;
    bool latin1_;
    int userInput_ = 0;
};

// A LimitedEdit for a number (digits limit) or, with latin1Only, a name.
LimitedEdit* lineEdit(QWidget* parent, const char* name, int maxLength, int left, int top, int width,
                      bool latin1Only = false);

// The width an edit needs for `digits` digits in its font, within its style's frame.
int WidestNumberWidth(const QLineEdit* edit, int digits);
// Widens the number edits of a page's panel that are too narrow for their widest value in the
// font in use (a three-digit code in a two-digit edit, a large font), moving what stands to their
// right in their row along.
void FitNumberEdits(QWidget* panel);

// The background of a value that differs from the compared file: the palette's highlight, faint.
QColor CompareMark(const QPalette& palette);

// Runs the pick list in mode; on a pick, edit gets the code (the labels beside it follow the
// edit's text). Returns the pick list's result.
int pickInto(uint8_t mode, QLineEdit* edit);
// A fixed-size dialog at its designed screen position, in the small dialog font.
void setUpDialog(QDialog* d, const char* name, const QString& title, int width, int height, int left, int top);
