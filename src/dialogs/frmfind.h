#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

// What Find reads of the main window: which pane last had a mouse press, and the three panes it can search.
struct FindPanes {
    std::function<int()> activePane; // 0 top list, 1 folder tree, 2 message list, 3 field list
    QTreeWidget* tvwFolders = nullptr;
    QTreeWidget* lstMessages = nullptr;
    QTreeWidget* lstFields = nullptr;
    int nodeKeyRole = 0; // the item data role that holds a tree node's key ("x" and a number)
};

// The modeless Find dialog: one hit per press of its button, in the pane the user last pressed the mouse in.
// Closing it (Escape or the close box) only hides it.
class FrmFind : public QDialog {
public:
    explicit FrmFind(FindPanes panes, QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* txtFind;
    QGroupBox* Frame2;
    QRadioButton* optFindName;
    QRadioButton* optFindValue;
    QGroupBox* Frame1;
    QRadioButton* optTypeBegin;
    QRadioButton* optTypeAnyPart;
    QRadioButton* optTypeFullMatch;
    QPushButton* cmdFind;
    QPushButton* cmdClear;

    void txtFind_Change();
    void optionClicked(); // the five option buttons' shared Click handler
    void cmdClear_Click();
    void cmdFind_Click();

    qint32 searchPosition() const { return m_position; }
    // The Find button's tag: the node number of the last tree hit reported with "Find Next" (empty: none).
    QString lastReportedTreeHit() const { return m_lastTreeHit; }

    // Whether candidate text t matches search text s under the chosen match type (case ignored).
    enum class MatchType { BeginsWith, AnyPart, FullMatch };
    static bool matches(const QString& s, const QString& t, MatchType type);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    MatchType matchType() const;
    void searchList(QTreeWidget* list, bool fieldList);
    void searchTree();
    void subFindNodes(QTreeWidgetItem* NodePar, QString& tFind, qint32 iPos);
    qint32 nodeNumber(const QTreeWidgetItem* node) const;
    void complete();

    FindPanes m_panes;
    qint32 m_position = 0;
    QString m_lastTreeHit;
};
