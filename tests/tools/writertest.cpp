#include "writertest.h"

#include "store/pst/ltptable.h"
#include "store/pst/ndbfile.h"

#include <QtEndian>

bool hasCreationColumn(const QString& storePath, const QString& folderId)
{
    using namespace store::pst;
    // An entry identifier ends with its node, little-endian.
    const quint32 nid = qFromLittleEndian<quint32>(QByteArray::fromHex(folderId.right(8).toLatin1()).constData());
    const auto file = ndb::NdbFile::open(storePath);
    return ltp::TableContext(file->node(format::contentsTableOf(nid))).findColumn(0x30070040).has_value();
}
