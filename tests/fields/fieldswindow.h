#pragma once

// A main window over an in-memory store, logged on without the start-up, for the field display tests.

#include "mainwindow/windowfixture.h"

#include <QGroupBox>
#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace store;
using namespace store::memory;

struct FieldsWindow : WindowFixture {
    explicit FieldsWindow(SessionData data = {}, const QByteArray& iniText = {})
        : WindowFixture(std::move(data), iniText)
    {
        w->session = factory();
    }
    QString iniPath() const { return w->ini.path(); }
    void writeIni(const QByteArray& text) const
    {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    // The field list as "name=value" lines.
    QStringList rows() const
    {
        QStringList out;
        for (int i = 0; i < w->lstFields->topLevelItemCount(); ++i)
            out << w->lstFields->topLevelItem(i)->text(0) + u'=' + w->lstFields->topLevelItem(i)->text(1);
        return out;
    }
    QString caption() const { return w->fraFields->title(); }
    // Puts a row into one of the browsing lists and selects it, as the list handlers would have done.
    void select(QTreeWidget* list, const QString& text, const QVariant& tag) const
    {
        auto* row = new QTreeWidgetItem(QStringList { text });
        row->setData(0, role::Tag, tag);
        list->addTopLevelItem(row);
        list->setCurrentItem(row);
    }
};
