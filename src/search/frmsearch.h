#pragma once

#include "search/search.h"

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

class FrmMain;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

// What the search window asks of the main window: the folders a scope covers, showing a match, and the program's
// busy cursor while a search runs.
struct SearchHost {
    enum Scope { SelectedStore, SelectedFolder, EveryStore };
    // Adds the scope's folders to the walk; false, with the reason, when it covers nothing.
    std::function<bool(Scope, search::Walk&, QString* why)> addScope;
    std::function<void(const search::Match&)> show;
    std::function<void(bool)> setBusyCursor;
};

// "Search Folders": a modeless window whose search runs a slice at a time from the event loop, so that the window
// and the main window stay usable and Stop is heard at once. Matches are listed as they are found.
class FrmSearch : public QDialog {
public:
    explicit FrmSearch(SearchHost host, QWidget* parent = nullptr);

    QLineEdit* txtText;
    QRadioButton* optSubject;
    QRadioButton* optProperty;
    QLineEdit* txtTag;
    QLineEdit* txtValue;
    QRadioButton* optScopeStore;
    QRadioButton* optScopeFolder;
    QRadioButton* optScopeAll;
    QPushButton* cmdSearch;
    QPushButton* cmdStop;
    QTreeWidget* lstMatches;
    QLabel* lblCount;
    QLabel* lblProgress;

    void cmdSearch_Click();
    void cmdStop_Click();
    void lstMatches_DblClick();
    bool searching() const { return m_timer.isActive(); }

protected:
    void hideEvent(QHideEvent* event) override; // a closed window searches no further

private:
    void nextSlice();
    void finish(const QString& text);
    void setBusy(bool busy);
    void addMatch(const search::Match& match);

    SearchHost m_host;
    QTimer m_timer;
    std::atomic_bool m_stop { false };
    std::unique_ptr<search::Walk> m_walk;
    std::vector<search::Match> m_matches; // by row
};

// Adds "Search &Folders..." to the main window's Edit menu, opening the one search window.
void wireSearch(FrmMain& window);
