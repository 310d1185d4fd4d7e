// Unsaved work kept safe: the loaded file's lock (one window a file), the journal written after
// every change, the offer of work a crash or a kill left behind, and the file on disk changed by
// another program while it is open here.
#pragma once

#include "core/Recovery.h"
#include "ui/shared/FeatureHost.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class RecoveryFeature : public Feature {
    Q_OBJECT

public:
    explicit RecoveryFeature(FeatureHost& host);

    // At start-up: offers the unsaved work of each data file that no window has open.
    void offerRecovery();
    // Whether the loaded file on disk still holds what was loaded or last saved; where another
    // program changed it, asks what to do (saving: before a save). True to go on.
    bool checkDisk(bool saving);
    // The journal the loaded file's unsaved work is kept in; empty while there is none.
    std::filesystem::path journalFile() const;
    // Removes this session's journal (the work was saved or the user dropped it).
    void dropJournal();

    // Before the data file at path is loaded: takes its lock into taken unless this window holds
    // it already; false (said) when another window has the file open.
    bool holdFile(const QString& path, std::unique_ptr<DataFileLock>& taken);
    // Once loaded (from loaded, at path): the work on the file before is done with (saved or
    // dropped), the lock taken is kept, and the new file's session begins.
    void fileOpened(const std::filesystem::path& loaded, const QString& path, std::unique_ptr<DataFileLock> taken);
    // Once the load is shown: offers the earlier unsaved work on the file.
    void offerJournalsOf(const std::filesystem::path& loaded);

private:
    // After every change to the tables: writes the journal, or removes it once nothing is unsaved.
    void keepJournal(const std::vector<uint8_t>& image, bool unsaved);
    void offerJournals(std::vector<Journal> journals);
    // One journal's question: Restore, Compare, Discard (asked twice) or Later. elsewhere: the
    // journal's file is not the one loaded here, and Restore or Compare loads it first.
    void askAboutJournal(Journal j, bool elsewhere);
    void restoreJournal(const Journal& j);

    std::filesystem::path recoveryDir_;
    std::unique_ptr<DataFileLock> lock_;
    QString lockedPath_;              // the file lock_ is of
    std::string session_;             // names this session's journal
    std::vector<uint8_t> journaled_;  // the tables as the journal last took them
    int journalSteps_ = 0;
    int carriedSteps_ = 0;         // the steps a new session's journal goes on counting from
    bool journalFailed_ = false;   // said once per session
    FileStamp diskStamp_;          // the loaded file as loaded or last saved
    FileStamp seenStamp_;          // an outside change already asked about on activation
    FileStamp acceptedStamp_;      // an outside change the user chose to save over
    bool checkingDisk_ = false;
    std::unique_ptr<Journal> pendingRestore_;  // restored by the load under way
    std::unique_ptr<Journal> pendingCompare_;  // compared with once the load under way is done
};
