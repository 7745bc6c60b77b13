#include "search/frmsearch.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int sliceBudget = 100; // messages and folders per turn of the event loop: a few milliseconds

template <class T>
T* named(const char* name, QWidget* parent, T* widget)
{
    widget->setObjectName(QLatin1String(name));
    widget->setParent(parent);
    return widget;
}

} // namespace

FrmSearch::FrmSearch(SearchHost host, QWidget* parent)
    : QDialog(parent)
    , m_host(std::move(host))
{
    setWindowTitle(QStringLiteral("Search Folders"));
    setModal(false);
    txtText = named("txtText", this, new QLineEdit);
    optSubject = named("optSubject", this, new QRadioButton(QStringLiteral("&Subject or folder name holds the text")));
    optProperty = named("optProperty", this, new QRadioButton(QStringLiteral("&Property (tag, value)")));
    txtTag = named("txtTag", this, new QLineEdit);
    txtValue = named("txtValue", this, new QLineEdit);
    optScopeStore = named("optScopeStore", this, new QRadioButton(QStringLiteral("Selected s&tore")));
    optScopeFolder = named("optScopeFolder", this, new QRadioButton(QStringLiteral("Selected f&older and subfolders")));
    optScopeAll = named("optScopeAll", this, new QRadioButton(QStringLiteral("&Every store")));
    cmdSearch = named("cmdSearch", this, new QPushButton(QStringLiteral("Sea&rch")));
    cmdStop = named("cmdStop", this, new QPushButton(QStringLiteral("S&top")));
    lstMatches = named("lstMatches", this, new QTreeWidget);
    lblCount = named("lblCount", this, new QLabel);
    lblProgress = named("lblProgress", this, new QLabel);

    txtTag->setPlaceholderText(QStringLiteral("tag, e.g. 0037001F or 0037"));
    txtValue->setPlaceholderText(QStringLiteral("value holds (optional)"));
    // Two choices in one window: each set of option buttons is a group of its own.
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(optSubject);
    kinds->addButton(optProperty);
    auto* scopes = new QButtonGroup(this);
    for (QRadioButton* o : { optScopeStore, optScopeFolder, optScopeAll })
        scopes->addButton(o);
    optSubject->setChecked(true);
    optScopeAll->setChecked(true);
    cmdSearch->setDefault(true);
    cmdStop->setEnabled(false);
    lstMatches->setRootIsDecorated(false);
    lstMatches->setHeaderLabels(
        { QStringLiteral("Store"), QStringLiteral("Folder"), QStringLiteral("Subject"), QStringLiteral("Created") });
    lstMatches->header()->resizeSection(0, 130);
    lstMatches->header()->resizeSection(1, 280);
    lstMatches->header()->resizeSection(2, 240);
    lblProgress->setTextFormat(Qt::PlainText);

    auto* what = new QGroupBox(QStringLiteral("Find"), this);
    auto* whatLayout = new QGridLayout(what);
    auto* textLabel = new QLabel(QStringLiteral("Te&xt:"));
    textLabel->setBuddy(txtText);
    whatLayout->addWidget(textLabel, 0, 0);
    whatLayout->addWidget(txtText, 0, 1, 1, 2);
    whatLayout->addWidget(optSubject, 1, 0, 1, 3);
    whatLayout->addWidget(optProperty, 2, 0);
    whatLayout->addWidget(txtTag, 2, 1);
    whatLayout->addWidget(txtValue, 2, 2);
    auto* where = new QGroupBox(QStringLiteral("In"), this);
    auto* whereLayout = new QVBoxLayout(where);
    for (QRadioButton* o : { optScopeStore, optScopeFolder, optScopeAll })
        whereLayout->addWidget(o);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdSearch);
    buttons->addWidget(cmdStop);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(what, 1);
    top->addWidget(where);
    top->addLayout(buttons);
    auto* status = new QHBoxLayout;
    status->addWidget(lblCount);
    status->addWidget(lblProgress, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lstMatches, 1);
    layout->addLayout(status);
    resize(880, 460);

    connect(cmdSearch, &QPushButton::clicked, this, &FrmSearch::cmdSearch_Click);
    connect(cmdStop, &QPushButton::clicked, this, &FrmSearch::cmdStop_Click);
    connect(lstMatches, &QTreeWidget::itemDoubleClicked, this, &FrmSearch::lstMatches_DblClick);
    connect(&m_timer, &QTimer::timeout, this, &FrmSearch::nextSlice);
    // Typing a tag chooses the property search.
    connect(txtTag, &QLineEdit::textEdited, this, [this] { optProperty->setChecked(true); });
}

void FrmSearch::cmdSearch_Click()
{
    cmdStop_Click();
    search::Condition condition;
    if (optProperty->isChecked()) {
        QString text = txtTag->text().trimmed();
        if (!txtValue->text().isEmpty()) text += QLatin1Char('=') + txtValue->text();
        if (!search::parsePropertyCondition(text, &condition)) {
            lblProgress->setText(QStringLiteral("The tag is 4 or 8 hexadecimal digits."));
            return;
        }
    } else {
        condition.text = txtText->text();
        if (condition.text.isEmpty()) {
            lblProgress->setText(QStringLiteral("Enter a text to search for."));
            return;
        }
    }
    lstMatches->clear();
    m_matches.clear();
    lblCount->setText(QStringLiteral("0 matches"));
    m_stop = false;
    m_walk = std::make_unique<search::Walk>(
        condition, [this](const search::Match& match) { addMatch(match); }, &m_stop);
    const SearchHost::Scope scope = optScopeStore->isChecked() ? SearchHost::SelectedStore
        : optScopeFolder->isChecked()                           ? SearchHost::SelectedFolder
                                                                : SearchHost::EveryStore;
    QString why;
    if (!m_host.addScope || !m_host.addScope(scope, *m_walk, &why)) {
        m_walk.reset();
        lblProgress->setText(why);
        return;
    }
    cmdStop->setEnabled(true);
    lblProgress->setText(QStringLiteral("Searching ..."));
    setBusy(true);
    m_timer.start(0);
}

void FrmSearch::cmdStop_Click()
{
    if (!m_timer.isActive()) return;
    m_stop = true;
    finish(QStringLiteral("Stopped after %1 folders").arg(m_walk->foldersSearched()));
}

void FrmSearch::nextSlice()
{
    if (!m_walk) return;
    if (!m_walk->step(sliceBudget)) {
        if (!m_stop) finish(QStringLiteral("Done: %1 folders searched").arg(m_walk->foldersSearched()));
        return;
    }
    lblProgress->setText(QStringLiteral("%1 folders, searching %2").arg(m_walk->foldersSearched()).arg(m_walk->currentPath()));
}

void FrmSearch::finish(const QString& text)
{
    m_timer.stop();
    cmdStop->setEnabled(false);
    lblProgress->setText(text);
    setBusy(false);
}

void FrmSearch::setBusy(bool busy)
{
    if (m_host.setBusyCursor) m_host.setBusyCursor(busy);
}

void FrmSearch::addMatch(const search::Match& match)
{
    QString created;
    if (match.created && match.created->isValid())
        created = match.created->toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    auto* row = new QTreeWidgetItem(lstMatches, { match.storeName, match.folderPath, match.subject, created });
    if (match.kind == search::Match::Folder) row->setToolTip(2, QStringLiteral("A folder"));
    m_matches.push_back(match);
    lblCount->setText(QStringLiteral("%1 match%2").arg(m_matches.size()).arg(m_matches.size() == 1 ? "" : "es"));
}

void FrmSearch::lstMatches_DblClick()
{
    const int row = lstMatches->indexOfTopLevelItem(lstMatches->currentItem());
    if (row < 0 || size_t(row) >= m_matches.size() || !m_host.show) return;
    m_host.show(m_matches[size_t(row)]);
    // Showing the match ends the main window's own busy spell; the search goes on.
    if (searching()) setBusy(true);
}

void FrmSearch::hideEvent(QHideEvent* event)
{
    cmdStop_Click();
    QDialog::hideEvent(event);
}
