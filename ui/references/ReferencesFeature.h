// What names an entry (Find References, a list in a dock under the pages) and moving an entry to
// another number with every field that names it following (Move To).
#pragma once

#include "ui/shared/FeatureHost.h"

class QAction;
class QDockWidget;
class QTreeWidget;

class ReferencesFeature : public Feature {
    Q_OBJECT

public:
    explicit ReferencesFeature(FeatureHost& host);

    QAction* FindReferencesItem = nullptr;  // Edit > Find References, Shift+F12
    QAction* MoveToItem = nullptr;          // Orbtool > Move To...
    QDockWidget* ReferencesDock = nullptr;  // what names the entry, under the pages
    QTreeWidget* ReferencesList = nullptr;

    // Lists every field that names the entry the page in front shows.
    void findReferences();
    // Moves the entry the page in front shows to another number, its references following.
    void moveTo();
};
