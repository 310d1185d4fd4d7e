// Another set of tables the loaded ones are compared with (a data file, theirs of a merge, the
// unsaved work of a journal) and the marks of what differs: bold lines in the entry lists, marked
// edits on the page in front, a count in the status bar; views of their own (the table) follow
// changed(). Comparing and merging both set it; it follows every change to the tables.
#pragma once

#include "core/Tables.h"
#include "data/Types.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class FeatureHost;

// What F7 says when no difference is left in its direction.
inline const char* const NoFurtherDifferences = "No further differences";

class FieldMarks : public QObject {
    Q_OBJECT

public:
    explicit FieldMarks(FeatureHost& host);
    ~FieldMarks() override;

    // Compares with the data file at path (read once, never written); false, with a message box
    // saying why, when it cannot be read.
    bool compareWithFile(const QString& path);
    // Compares with tables held in memory, named as name, of which length bytes were read; without
    // mark, the marks wait for the caller's next step, which updates them anyway.
    void compareWith(std::unique_ptr<OrbData> other, const QString& name, std::size_t length, bool mark = true);
    void stop();
    bool comparing() const { return compared_ != nullptr; }
    // The compared tables while a file is loaded to compare them with, else nullptr.
    const OrbData* compared() const;
    std::size_t comparedLength() const { return length_; }  // a short file has no values past it
    const QString& comparedPath() const { return path_; }
    // The entries of table t that differ, in order.
    const std::vector<int>& differing(TableId t) const { return differing_[int(t)]; }
    // Counts what differs again and marks the lists, the page in front and the status bar.
    void update();

signals:
    // The comparison or what differs changed.
    void changed();

private:
    // Marks the edits of the page in front.
    void markPage();

    FeatureHost& host_;
    std::unique_ptr<OrbData> compared_;
    QString path_;
    std::size_t length_ = OrbImageSize;
    std::vector<int> differing_[3];  // units, weapons, formations
};
