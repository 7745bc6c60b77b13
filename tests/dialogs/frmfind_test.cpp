// The Find dialog over three bare panes: presses of its controls and the captions and selections they give.

#include "dialogs/frmfind.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int KeyRole = Qt::UserRole + 1;

struct Bench {
    QTreeWidget tree, messages, fields;
    int pane = 2;
    std::unique_ptr<FrmFind> dialog;

    void open()
    {
        dialog = std::make_unique<FrmFind>(FindPanes { [this] { return pane; }, &tree, &messages, &fields, KeyRole });
    }
    void addRows(QTreeWidget& list, const QStringList& rows)
    {
        for (const QString& row : rows)
            list.addTopLevelItem(new QTreeWidgetItem(row.split(QLatin1Char('|'))));
    }
    // Nodes as "key text" lines, indented by two blanks a level.
    void addNodes(const QStringList& lines)
    {
        QList<QTreeWidgetItem*> parents;
        for (const QString& line : lines) {
            const int depth = int(line.size() - line.trimmed().size()) / 2;
            const QString key = line.trimmed().section(QLatin1Char(' '), 0, 0);
            auto* node = new QTreeWidgetItem(QStringList(line.trimmed().section(QLatin1Char(' '), 1)));
            node->setData(0, KeyRole, key);
            parents.resize(depth);
            if (depth == 0)
                tree.addTopLevelItem(node);
            else
                parents.last()->addChild(node);
            parents << node;
        }
    }
    QRadioButton* option(const QString& caption) const
    {
        for (auto* button : dialog->findChildren<QRadioButton*>())
            if (button->text() == caption) return button;
        return nullptr;
    }
    // One user action: "text=..." types a text, "press" presses Find, "clear" presses Clear, "opt=Caption" clicks
    // an option, "pane=N" presses the mouse in pane N, "select=Text" selects a tree node by hand.
    void act(const QString& step)
    {
        const QString arg = step.section(QLatin1Char('='), 1);
        if (step.startsWith("text="))
            dialog->txtFind->setText(arg);
        else if (step == "press")
            dialog->cmdFind->click(); // a disabled button ignores it, as it ignores the mouse
        else if (step == "clear")
            dialog->cmdClear->click();
        else if (step.startsWith("opt="))
            option(arg)->click();
        else if (step.startsWith("pane="))
            pane = arg.toInt();
        else if (step.startsWith("select="))
            tree.setCurrentItem(tree.findItems(arg, Qt::MatchExactly | Qt::MatchRecursive).value(0));
        else
            FAIL() << "unknown step " << step.toStdString();
    }
    // The state after a step: caption, "on"/"off", the search position, and the pane's selection (the row's
    // 1-based index in a list, the node's text in the tree with " (hidden)" for each collapsed ancestor, "-" for
    // none).
    QString state() const
    {
        QString selection = "-";
        if (pane == 1 && tree.currentItem()) {
            selection = tree.currentItem()->text(0);
            for (QTreeWidgetItem* up = tree.currentItem()->parent(); up; up = up->parent())
                if (!up->isExpanded()) selection = selection + " (hidden)";
        } else if (pane == 2 || pane == 3) {
            const QTreeWidget& list = pane == 2 ? messages : fields;
            if (list.currentItem() && list.currentItem()->isSelected())
                selection = QString::number(list.indexOfTopLevelItem(list.currentItem()) + 1);
        }
        return QStringLiteral("%1 %2 %3 %4")
            .arg(dialog->cmdFind->text(), dialog->cmdFind->isEnabled() ? "on" : "off")
            .arg(dialog->searchPosition())
            .arg(selection);
    }
};

struct Case {
    const char* name;
    int paneAtLoad;
    QStringList messages, fields; // rows, columns split by "|"
    QList<std::pair<QString, QString>> steps; // action, state after it
    QStringList nodes = {}; // "key text", two blanks a level
};

// The message list and field list cases, then the tree's.
TEST(FrmFind, Searches)
{
    const QStringList mixed = { "Alpha", "beta ALPHA", "Gamma", "alphabet" };
    const QStringList values = { "Subject|  Hello World  ", "Body|hello world", "Other|Hello" };
    // Walk order: Inbox(1) Old mail(4) Mail out(2) Notes(3) Deep(5)
    const QStringList folders = { "x0 Top of Personal Folders", "  x1 Inbox", "    x4 Old mail", "  x2 Mail out",
        "  x3 Notes", "    x5 Deep" };
    const Case cases[] = {
        { "fresh dialog: disabled until a text is typed; an option enables it even when empty", 2, mixed, {},
            { { "press", "Find off 0 -" }, { "text=a", "Find on 0 -" }, { "text=", "Find off 0 -" },
                { "opt=Begins with", "Find on 0 -" } } },
        { "message list, any part in any case, row by row to the end", 2, mixed, {},
            { { "text=alp", "Find on 0 -" }, { "press", "Find Next on 1 1" }, { "press", "Find Next on 2 2" },
                { "press", "Find Next on 4 4" }, { "press", "Find Complete off 0 4" },
                { "press", "Find Complete off 0 4" }, { "text=alph", "Find on 0 4" },
                { "press", "Find Next on 1 1" } } },
        { "begins with and full match", 2, mixed, {},
            { { "text=ALPHA", "Find on 0 -" }, { "opt=Begins with", "Find on 0 -" }, { "press", "Find Next on 1 1" },
                { "press", "Find Next on 4 4" }, { "opt=Full match", "Find on 0 4" }, { "press", "Find Next on 1 1" },
                { "press", "Find Complete off 0 1" } } },
        { "empty search text: any part and begins with skip empty rows, full match finds only them", 2,
            { "", "Beta", "" }, {},
            { { "opt=Any part", "Find on 0 -" }, { "press", "Find Next on 2 2" }, { "opt=Begins with", "Find on 0 2" },
                { "press", "Find Next on 2 2" }, { "opt=Full match", "Find on 0 2" }, { "press", "Find Next on 1 1" },
                { "press", "Find Next on 3 3" }, { "press", "Find Complete off 0 3" } } },
        { "field values: trimmed for full match, untrimmed for any part", 3, {}, values,
            { { "opt=Value", "Find on 0 -" }, { "opt=Full match", "Find on 0 -" },
                { "text=HELLO world", "Find on 0 -" }, { "press", "Find Next on 1 1" }, { "press", "Find Next on 2 2" },
                { "press", "Find Complete off 0 2" }, { "opt=Any part", "Find on 0 2" },
                { "text= hello", "Find on 0 2" }, { "press", "Find Next on 1 1" }, { "press", "Find Complete off 0 1" },
                { "opt=Name", "Find on 0 1" }, { "text=o", "Find on 0 1" }, { "press", "Find Next on 2 2" } } },
        { "the position is shared: a hit at row 3 of the messages makes the field search start at row 4", 2,
            { "x", "x", "x mail", "x" }, { "mail|1", "mail|2", "mail|3", "mail|4", "mail|5" },
            { { "text=mail", "Find on 0 -" }, { "press", "Find Next on 3 3" }, { "pane=3", "Find Next on 3 -" },
                { "press", "Find Next on 4 4" } } },
        { "the top list is never searched: nothing changes", 0, mixed, {},
            { { "text=a", "Find on 0 -" }, { "press", "Find on 0 -" }, { "opt=Full match", "Find on 0 -" },
                { "press", "Find on 0 -" } } },
        { "Value chosen while the field list was active: the message list still searches its text", 3, { "one", "two" },
            { "two|one" },
            { { "opt=Value", "Find on 0 -" }, { "pane=2", "Find on 0 -" }, { "text=two", "Find on 0 -" },
                { "press", "Find Next on 2 2" } } },
        { "Value stays disabled when the dialog loads over another pane", 2, { "one" }, { "one|x" },
            { { "opt=Value", "Find off 0 -" }, { "pane=3", "Find off 0 -" }, { "text=one", "Find on 0 -" },
                { "press", "Find Next on 1 1" } } },
        { "Clear empties the text and starts over", 2, mixed, {},
            { { "text=a", "Find on 0 -" }, { "press", "Find Next on 1 1" }, { "clear", "Find off 0 1" },
                { "text=gam", "Find on 0 1" }, { "press", "Find Next on 3 3" } } },
        { "a continued search goes on at greater node numbers, not in walk order", 1, {}, {},
            { { "text=mail", "Find on 0 -" }, { "press", "Find Next on 4 Old mail" },
                { "press", "Find Complete off 0 Old mail" } },
            folders },
        { "two matches: the second press finds the second", 1, {}, {},
            { { "text=n", "Find on 0 -" }, { "press", "Find Next on 1 Inbox" }, { "press", "Find Next on 3 Notes" },
                { "press", "Find Complete off 0 Notes" } },
            folders },
        { "one match: found, then complete; typed again it is found and complete at once", 1, {}, {},
            { { "text=notes", "Find on 0 -" }, { "press", "Find Next on 3 Notes" },
                { "press", "Find Complete off 0 Notes" }, { "text=note", "Find on 0 Notes" },
                { "text=notes", "Find on 0 Notes" }, { "press", "Find Complete off 0 Notes" } },
            folders },
        { "the root is never tested; without a hit and a selection the search completes", 1, {}, {},
            { { "pane=1", "Find off 0 -" }, { "text=Top", "Find on 0 -" }, { "press", "Find Complete off 0 -" } },
            folders },
        { "without a hit, a node selected by hand counts as found once", 1, {}, {},
            { { "select=Mail out", "Find off 0 Mail out (hidden)" }, { "text=zzz", "Find on 0 Mail out (hidden)" },
                { "press", "Find Next on 2 Mail out (hidden)" }, { "press", "Find Complete off 0 Mail out (hidden)" } },
            folders },
        { "a hit below a collapsed folder is opened to view", 1, {}, {},
            { { "text=deep", "Find on 0 -" }, { "press", "Find Next on 5 Deep" } }, folders },
        { "an empty tree completes", 1, {}, {}, { { "text=a", "Find on 0 -" }, { "press", "Find Complete off 0 -" } } },
        { "a root without children completes", 1, {}, {},
            { { "opt=Any part", "Find on 0 -" }, { "press", "Find Complete off 0 -" } }, { "x0 Top" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        bench.addRows(bench.messages, c.messages);
        bench.addRows(bench.fields, c.fields);
        bench.addNodes(c.nodes);
        bench.pane = c.paneAtLoad;
        bench.open();
        for (const auto& [step, expected] : c.steps) {
            bench.act(step);
            EXPECT_EQ(bench.state().toStdString(), expected.toStdString()) << "after " << step.toStdString();
        }
    }
}

TEST(FrmFind, LongListsAreSearchedWhole)
{
    Bench bench;
    QList<QTreeWidgetItem*> rows;
    for (int i = 1; i <= 40000; ++i)
        rows << new QTreeWidgetItem(QStringList(i == 33000 || i == 39999 ? "needle" : "hay"));
    bench.messages.addTopLevelItems(rows);
    bench.open();
    bench.act("text=needle");
    for (const char* expected :
        { "Find Next on 33000 33000", "Find Next on 39999 39999", "Find Complete off 0 39999" }) {
        bench.act("press");
        EXPECT_EQ(bench.state().toStdString(), expected);
    }
}

} // namespace
