// The main window's side of FeatureHost: what it gives its features, over its own pages, steps
// and questions.
#pragma once

#include "ui/shared/FeatureHost.h"
#include "ui/shared/FieldMarks.h"

class TSDIAppForm;

class WindowHost final : public FeatureHost {
public:
    explicit WindowHost(TSDIAppForm& window);

    QWidget* window() const override;
    QWidget* dialogParent() const override;
    void addCommand(Menu m, QAction* a, bool atStart) override;
    void addEntryAction(QAction* a) override;
    QList<QAction*> entryActions() const override { return entryActions_; }
    QDockWidget* addDock(const QString& title, const char* name, QWidget* content) override;
    void showDock(QDockWidget* dock, bool shown) override;
    void addStatusWidget(QWidget* w) override;

    std::optional<TableId> tableInFront() const override;
    int entryInFront() const override;
    QWidget* page(TableId t) const override;
    QListWidget* entryList(TableId t) const override;
    QLineEdit* filterEdit(TableId t) const override;
    RecordEdits edits() const override;
    void showEntry(TableId t, int n) override;
    void goToField(TableId t, int n, const QString& field) override;
    void showUncommitted(const OrbData& from) override;
    void turnPage(bool back) override;
    void formToggled() override;
    FieldMarks& marks() override { return marks_; }

    bool mayChange(const QString& operation, const OrbData& after, bool offerCommit) override;
    std::size_t pushStep(const QString& text, OrbChanges changes) override;
    void pushChoice(QUndoCommand* step) override;
    int stepCount() const override;
    void showStoredNote(const QString& note) override;

    void showStatus(const QString& text) override;
    QString status() const override;
    void showMessage(const QString& text, const QString& title) override;
    bool unsavedWork() override;
    bool modified() const override;

    QString loadedPath() const override;
    QString savePath() const override;
    void open(const QString& path, bool ask) override;
    bool openUnsaved(const QString& path, const std::vector<uint8_t>& image) override;

private:
    TSDIAppForm& w_;
    FieldMarks marks_;
    QList<QAction*> entryActions_;
    QAction* fileCommands_ = nullptr;  // the separator above the features' File commands
};
