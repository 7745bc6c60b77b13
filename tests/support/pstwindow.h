// The main window on a PST file, started as the user starts it, and clicked as the mouse clicks.
#pragma once

#include "mainwindow/frmmain.h"
#include "store/pst/pstprovider.h"
#include "support/fakeplatform.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtWidgets>
#include <memory>

inline const QString shippedIni = QStringLiteral(SW_SOURCE_DIR "/src/fields/StorWalk.ini");

class PstWindow {
public:
    // The settings file is `iniPath`, or by default a copy of the shipped one; the desktop is the scripted one
    // unless another is given.
    explicit PstWindow(const QString& pstPath, const QString& iniPath = {}, Platform* desktop = nullptr)
    {
        const QString ini = iniPath.isEmpty() ? dir.filePath("StorWalk.ini") : iniPath;
        if (iniPath.isEmpty()) {
            QFile::copy(shippedIni, ini);
            QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
        }
        window = std::make_unique<FrmMain>(
            desktop ? *desktop : platform, store::pst::sessionFactory(), settings::IniFile(ini));
        window->resize(1000, 700);
        window->show();
        started = window->Form_Load(pstPath);
    }
    void click(QTreeWidget* list, QTreeWidgetItem* item)
    {
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
    static QTreeWidgetItem* find(QTreeWidget* list, const QString& text)
    {
        return list->findItems(text, Qt::MatchStartsWith | Qt::MatchRecursive).value(0);
    }

    QTemporaryDir dir;
    FakePlatform platform;
    std::unique_ptr<FrmMain> window;
    bool started = false;
};
