// Reads the JSON description of a store and feeds it to the StoreWriter.
#pragma once

#include "storewriter.h"

#include <QHash>
#include <QJsonObject>

namespace pstwriter {

class DescriptionReader {
public:
    DescriptionReader(StoreWriter& writer, int codepage)
        : m_writer(writer)
        , m_codepage(codepage)
    {
    }
    // Folders first (so every message, contact and list has its identifier), then the messages.
    bool read(const QJsonObject& description);
    QString errorString() const { return m_error; }

private:
    struct Pending {
        Nid folder;
        Nid nid;
        QJsonObject object;
        QString kind; // "message", "contact", "distributionList"
    };
    std::vector<Nid> m_deleted;
    bool readFolder(Nid parent, const QJsonObject& folder, const QString& path);
    bool readMessage(const QJsonObject& o, const QString& kind, MessageSpec* out, const QString& where);
    bool readProperties(const QJsonObject& o, std::vector<Property>* props, const QString& where);
    bool readRecipient(const QJsonObject& o, int index, std::vector<Property>* row, const QString& where);
    bool readAttachment(const QJsonObject& o, AttachmentSpec* out, const QString& where);
    bool readContact(const QJsonObject& o, std::vector<Property>* props, const QString& where);
    bool readDistributionList(const QJsonObject& o, std::vector<Property>* props, const QString& where);
    Property named(quint32 number, quint16 type, const QByteArray& data);
    bool fail(const QString& where, const QString& what);

    StoreWriter& m_writer;
    int m_codepage;
    QString m_error;
    QHash<QString, Nid> m_keys;
    std::vector<Pending> m_pending;
    int m_depth = 0;
};

// A one-off entry identifier: a recipient known only by name, address type and address.
QByteArray oneOffEntryId(const QString& name, const QString& addressType, const QString& address);
// A wrapped entry identifier pointing at a contact message (distribution list member).
QByteArray wrappedContactEntryId(const QByteArray& contactEntryId);

} // namespace pstwriter
