// Small helpers for building the windows: hints, captions, picker buttons, mouse-down hooks.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QDialog;
class QLabel;
class QLineEdit;
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
// A single-line edit limited to maxLength characters.
QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength, int left, int top, int width);

// Runs the pick list in mode; on a pick, edit gets the code and label the name of it.
// Returns the pick list's result.
int pickInto(uint8_t mode, QLineEdit* edit, QLabel* label, const std::function<QString(int)>& name);
// A fixed-size dialog at its designed screen position, in the small dialog font.
void setUpDialog(QDialog* d, const char* name, const QString& title, int width, int height, int left, int top);
